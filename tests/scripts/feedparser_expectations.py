#!/usr/bin/env python3
"""Checks the display form against the expectations that feedparser's own well-formed test files
state about titles, links and dates of RSS and Atom feeds (their `Expect:` header lines).

Each file whose expectation speaks only of the feed's or an article's `title`, `link`,
`updated_parsed` or `published_parsed` is read with `varlo-cli feed --display`, and the expression
is evaluated over what Varlo shows. Expectations about anything this reader does not model
(authors, tags, enclosures, `*_detail`, `links`, `id`, languages, dates of the feed itself, the
parser's own `bozo` flag beyond "not bozo", ...) are skipped: the reader keeps no such field; so are
the files that need the address of an HTTP response. Expectations it does not meet on purpose are
listed in KNOWN with their reasons. Titles compare as a user sees
them: markup removed and white space collapsed on both sides (feedparser gives HTML titles as
markup, Varlo as the text the markup shows).

Usage: feedparser_expectations.py VARLO_CLI CORPUS
"""
import html
import json
import os
import re
import subprocess
import sys
import tempfile
import time

FOLDERS = ["rss", "rdf", "atom", "atom10", "amp", "base"]
FIELDS = {"title", "link", "updated_parsed", "published_parsed"}

# Files that need what a local file cannot give: the address of an HTTP response.
SKIPPED_PREFIX = "base/http_"

# Expectations this reader does not meet on purpose, by file, each with its reason.
BASE64 = "Atom text in base64 mode is not decoded: no real feed sends its titles so"
DC_TITLE = "titles come from \"title\" only; \"dc:title\" is not read"
DCTERMS = "\"dcterms:\" dates are not read; an RSS article's date is \"pubDate\" or \"dc:date\""
KNOWN = {
    "rss/channel_dc_title.xml": DC_TITLE,
    "rss/item_dc_title.xml": DC_TITLE,
    "rss/item_dcterms_issued_parsed.xml": DCTERMS,
    "rss/item_dcterms_modified_parsed.xml": DCTERMS,
    "atom/entry_title_base64.xml": BASE64,
    "atom/entry_title_base64_2.xml": BASE64,
    "atom/feed_title_base64.xml": BASE64,
    "atom/feed_title_base64_2.xml": BASE64,
    "atom10/entry_title_base64.xml": BASE64,
    "atom10/entry_title_base64_2.xml": BASE64,
    "atom10/feed_title_base64.xml": BASE64,
    "atom10/feed_title_base64_2.xml": BASE64,
    "atom/entry_link_no_href_link_priority.xml":
        "a link is its \"href\"; a link element holding its address as text is not one",
    "atom10/entry_link_no_href_link_priority.xml":
        "a link is its \"href\"; a link element holding its address as text is not one",
    "atom/entry_modified_map_updated_parsed.xml":
        "Atom dates are read in the W3C form; this one is written in the RFC 822 form",
    "atom/entry_published_parsed_date_overwriting.xml":
        "an Atom 0.3 entry's first publication is its \"issued\" date, not \"published\"",
    "atom/entry_updated_multiple_values.xml":
        "an entry with two \"updated\" dates is dated by the first, as every element is read",
}


def shown(text):
    text = html.unescape(re.sub(r"<[^>]*>", "", text))
    text = re.sub(r"<[^>]*>", "", text)
    return re.sub(r"\s+", " ", text).strip()


class Title(str):
    """A title that equals another when both show the same text."""

    def __eq__(self, other):
        return isinstance(other, str) and shown(self) == shown(other)

    def __ne__(self, other):
        return not self.__eq__(other)

    __hash__ = str.__hash__


def expectation(path):
    with open(path, "rb") as f:
        head = f.read(4096).decode("utf-8", "replace")
    match = re.search(r"Expect:\s*(.*)", head)
    return match.group(1).strip() if match else None


def relevant(expr):
    keys = set(re.findall(r"\[['\"](\w+)['\"]\]", expr))
    if not keys or not keys <= FIELDS:
        return False
    # The reader keeps no dates of the feed itself.
    if re.search(r"feed\[['\"]\w+_parsed", expr):
        return False
    names = set(re.findall(r"\b([a-z_]+)\b(?!['\"])", re.sub(r"(['\"]).*?\1", "", expr)))
    return names <= {"not", "bozo", "and", "or", "feed", "entries", "u", "in", "len"}


def varlo_namespace(cli, path):
    # The header comment is the test's own description, not part of the feed; it holds markup
    # ("Example <b>Atom</b>") that is no concern of the display form.
    with open(path, "rb") as f:
        data = f.read()
    data = re.sub(rb"^\s*<!--.*?-->\s*", b"", data, count=1, flags=re.S)
    with tempfile.NamedTemporaryFile(suffix=".xml") as copy:
        copy.write(data)
        copy.flush()
        out = subprocess.run([cli, "feed", "--display", copy.name], capture_output=True,
                             check=False, env=dict(os.environ, TZ="UTC")).stdout
    data = json.loads(out)
    feed = {"title": Title(data["title"]), "link": data["link"]}
    # An RSS article has one date, its "pubDate" (or "dc:date"): feedparser's published date.
    rss = data["format"] in (1, 2)
    entries = [{"title": Title(i["title"]), "link": i["link"],
                "updated_parsed": time.gmtime(i["updated"]),
                "published_parsed": time.gmtime(i["updated" if rss else "published"])}
               for i in data["items"]]
    return {"bozo": False, "feed": feed, "entries": entries, "u": None}


def main():
    cli, corpus = sys.argv[1], sys.argv[2]
    root = os.path.join(corpus, "feedparser", "tests", "wellformed")
    if not os.path.isdir(root):
        print(f"{root} is absent: skipped")
        return 0
    checked = failed = known = 0
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            path = os.path.join(root, folder, name)
            expr = expectation(path)
            if not expr or not relevant(expr):
                continue
            rel = f"{folder}/{name}"
            if rel.startswith(SKIPPED_PREFIX):
                continue
            checked += 1
            try:
                ok = eval(expr, {"__builtins__": {"len": len}}, varlo_namespace(cli, path))
            except (KeyError, IndexError, TypeError, ValueError) as error:
                ok, expr = False, f"{expr} ({error!r})"
            if ok:
                continue
            if rel in KNOWN:
                known += 1
                continue
            failed += 1
            data = varlo_namespace(cli, path)
            print(f"FAIL {rel}: {expr}\n     varlo: feed {data['feed']} "
                  f"entries {[{k: e[k] for k in ('title', 'link')} for e in data['entries'][:2]]}")
    print(f"{checked} expectations checked: {checked - known - failed} met, {known} known "
          f"differences, {failed} not met")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
