#!/usr/bin/env python3
"""Builds the user guide's HTML page from its Markdown source at build time.

usage: build_help.py CMARK SOURCE.md TARGET.html

cmark renders the Markdown; this script puts the page around it and gives every heading the
anchor GitHub gives it, so that the guide's links to its own sections work in the browser pane
and on GitHub alike. The page is Japanese, which also makes the browser draw the Japanese forms of
the characters. The guide's raw HTML (there should be none) stays out: cmark drops it.
"""
import html
import re
import subprocess
import sys

STYLE = """
body { margin: 0 auto; max-width: 52em; padding: 1em 1.5em 3em; color: #1f2328;
  background: #ffffff; line-height: 1.7; font-size: 15px;
  font-family: "Noto Sans", "Noto Sans CJK JP", "DejaVu Sans", "Noto Color Emoji", sans-serif; }
h1 { font-size: 1.8em; border-bottom: 1px solid #d0d7de; padding-bottom: .2em; }
h2 { font-size: 1.35em; border-bottom: 1px solid #d0d7de; padding-bottom: .2em; margin-top: 1.6em; }
code { font-family: "Noto Sans Mono CJK JP", "DejaVu Sans Mono", monospace; font-size: .9em;
  background: #f3f4f6; padding: .1em .3em; border-radius: 4px; }
pre { background: #f3f4f6; padding: .8em 1em; border-radius: 6px; overflow-x: auto; }
pre code { background: none; padding: 0; }
img { max-width: 100%; border: 1px solid #d0d7de; }
a { color: #0969da; }
"""


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
    page = ("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'\">\n"
            f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n"
            f"{body}</body>\n</html>\n")
    with open(target, "w", encoding="utf-8") as out:
        out.write(page)


if __name__ == "__main__":
    main()
