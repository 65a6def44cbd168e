#!/usr/bin/env python3
"""Builds the user guide's HTML page from its Markdown source at build time.

usage: build_help.py CMARK SOURCE.md TARGET.html

Beside TARGET.html it writes TARGET-light.html and TARGET-dark.html, the same page in one scheme.

cmark renders the Markdown; this script puts the page around it and gives every heading the
anchor GitHub gives it, so that the guide's links to its own sections work in the browser pane
and on GitHub alike. The page is Japanese, which also makes the browser draw the Japanese forms of
the characters. The guide's raw HTML (there should be none) stays out: cmark drops it.
"""
import html
import re
import subprocess
import sys

LIGHT = """--page: #ffffff; --text: #1f2328; --rule: #d0d7de; --code: #f3f4f6; --link: #0969da;"""
DARK = """--page: #0d1117; --text: #e6edf3; --rule: #3d444d; --code: #1c2128; --link: #6cb6ff;"""

# The guide is coloured as the feeds' pages are: as the desktop prefers (prefers-color-scheme), or
# light or dark whatever it prefers, by the data-scheme attribute of the variants the program
# opens when its colour scheme is chosen in the View menu.
STYLE = f"""
:root {{ color-scheme: light dark; {LIGHT} }}
@media (prefers-color-scheme: dark) {{
  :root:not([data-scheme="light"]) {{ color-scheme: dark; {DARK} }}
}}
:root[data-scheme="light"] {{ color-scheme: light; }}
:root[data-scheme="dark"] {{ color-scheme: dark; {DARK} }}
body {{ margin: 0 auto; max-width: 52em; padding: 1em 1.5em 3em; color: var(--text);
  background: var(--page); line-height: 1.7; font-size: 15px;
  font-family: "Noto Sans", "Noto Sans CJK JP", "DejaVu Sans", "Noto Color Emoji", sans-serif; }}
h1 {{ font-size: 1.8em; border-bottom: 1px solid var(--rule); padding-bottom: .2em; }}
h2 {{ font-size: 1.35em; border-bottom: 1px solid var(--rule); padding-bottom: .2em; margin-top: 1.6em; }}
code {{ font-family: "Noto Sans Mono CJK JP", "DejaVu Sans Mono", monospace; font-size: .9em;
  background: var(--code); padding: .1em .3em; border-radius: 4px; }}
pre {{ background: var(--code); padding: .8em 1em; border-radius: 6px; overflow-x: auto; }}
pre code {{ background: none; padding: 0; }}
img {{ max-width: 100%; border: 1px solid var(--rule); }}
a {{ color: var(--link); }}
"""

# The page beside TARGET.html for each scheme of its own ("user-guide-dark.html").
VARIANTS = {"": "", "-light": ' data-scheme="light"', "-dark": ' data-scheme="dark"'}


def slug(heading_html, seen):
    """The anchor GitHub makes of a heading: its text in lower case, without punctuation,
    spaces as hyphens; a repeated one gets -1, -2 and so on."""
    text = html.unescape(re.sub(r"<[^>]+>", "", heading_html)).strip().lower()
    text = "".join(c for c in text if c.isalnum() or c in " -_").replace(" ", "-")
    count = seen.get(text, 0)
    seen[text] = count + 1
    return text if count == 0 else f"{text}-{count}"


def main():
    cmark, source, target = sys.argv[1:4]
    body = subprocess.run([cmark, source], check=True, capture_output=True,
                          encoding="utf-8").stdout
    seen = {}
    body = re.sub(r"<h([1-6])>(.*?)</h\1>",
                  lambda m: f'<h{m.group(1)} id="{slug(m.group(2), seen)}">{m.group(2)}</h{m.group(1)}>',
                  body)
    first = re.search(r"<h1[^>]*>(.*?)</h1>", body)
    title = html.unescape(re.sub(r"<[^>]+>", "", first.group(1))) if first else "Varlo"
    stem = target[:-len(".html")] if target.endswith(".html") else target
    for suffix, attribute in VARIANTS.items():
        page = (f"<!DOCTYPE html>\n<html lang=\"ja\"{attribute}>\n<head>\n<meta charset=\"utf-8\">\n"
                "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'\">\n"
                f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n"
                f"{body}</body>\n</html>\n")
        with open(f"{stem}{suffix}.html", "w", encoding="utf-8") as out:
            out.write(page)


if __name__ == "__main__":
    main()
