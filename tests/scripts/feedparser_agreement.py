#!/usr/bin/env python3
"""Reads real feeds with `varlo-cli feed --display` and with python3-feedparser and compares what
a user sees: the number of articles, the feed's title, each article's title and link, and each
dated article's date; for feeds whose articles carry files, their enclosures and media. Differences that are known and justified are listed below with their
reasons; any other difference fails.

Usage: feedparser_agreement.py VARLO_CLI CORPUS [--all]
  --all  also walks every other real feed of the corpus and reports (without failing) where the
         two readers disagree, to find what is left to mend.
"""
import calendar
import html
import json
import os
import re
import subprocess
import sys

# The real captures this check holds Varlo to.
CAPTURES = [
    "rome/rome/src/test/resources/rss_1.0-ns-on-channel.xml",
    "rome/rome/src/test/resources/issue137-rss.xml",
] + ["rome/rome-modules/src/test/resources/" + p for p in [
    "index.rss", "test1.xml", "test2.xml", "test3.xml", "xml/at.xml", "xml/leshow.xml",
    "xml/lr.xml", "xml/rsr.xml", "xml/slashdot.xml", "xml/sunnyvale.xml", "xml/yweather.xml",
    "xml/totsp.xml", "xml/rssCreativeCommonsExample.xml",
    "org/rometools/feed/module/georss/usgs-gov-earthquakes-all-hour-atom.xml",
    "data/YahooTopSongs.xml", "data/YouTube-MostPopular.rss", "data/geo-rss-issue-27.rss",
    "data/georss-double-space-issue.xml", "data/rss2.0-simple.xml", "data/rss1.0-w3cgeo.xml",
    "data/rss2.0-gml.xml", "data/rss2.0-w3cgeo.xml",
]] + [
    "simplepie/tests/data/feed_rss-2.0_for_file_mock.xml",
    "xml-rss-libxml/t/data/merlyn1.rss",
    "xml-rss-libxml/t/data/rss-permalink.xml",
    "xml-rss-libxml/t/data/2.0/sf-hs-with-pubDate.rss",
    "feedparser/tests/wellformed/sanitize/large_atom_feed_that_needs_css_sanitisation.xml",
]

# Real captures whose articles carry files (enclosures, Media RSS content and thumbnails): each
# article's enclosures compare with feedparser's `enclosures` (address, type, size), its media
# with the addresses of feedparser's `media_content` and `media_thumbnail`.
MEDIA_CAPTURES = ["gofeed/testdata/" + p for p in [
    "extensions/media/feed_image_-_rss_channel_media.xml",
    "extensions/media/feed_item_image_-_rss_channel_item_media.xml",
    "parser/rss/issue_217_enclosure_children.xml",
    "parser/rss/issue_36_enclosure_text.xml",
    "parser/rss/rss_channel_item_enclosure.xml",
    "translator/atom/feed_item_enclosure_-_atom10_feed_entry_link_rel_enclosure.xml",
    "translator/rss/feed_image_-_rss_channel_media_content.xml",
    "translator/rss/feed_item_enclosure_-_rss_channel_item_enclosure.xml",
    "translator/rss/feed_item_enclosures_-_rss_channel_item_enclosures.xml",
    "translator/rss/feed_item_fallbacks_-_rss_channel_item_extensions.xml",
]] + ["rome/rome-modules/src/test/resources/" + p for p in [
    "data/YahooTopSongs.xml", "data/YouTube-MostPopular.rss", "data/geo-rss-issue-27.rss",
    "feedpress/atom.xml", "fyyd/atom.xml", "psc/atom.xml", "itunes/leshow.xml",
    "itunes/no-http-uris.xml", "org/rometools/feed/module/mediarss/filesize-with-unit.xml",
    "org/rometools/feed/module/mediarss/issue-07.xml",
    "org/rometools/feed/module/mediarss/issue-08.xml",
    "org/rometools/feed/module/mediarss/issue-15.xml",
    "org/rometools/feed/module/mediarss/issue-20.xml", "test1.xml", "test1media.xml",
    "test2.xml", "test2media.xml", "test3.xml", "xml/at.xml", "xml/leshow.xml", "xml/lr.xml",
    "xml/rsr.xml",
]] + ["rome/rome/src/test/resources/" + p for p in [
    "atom_1.0.xml", "jira_issue1.xml", "rss_0.92.xml", "rss_0.92_alt.xml", "rss_0.93.xml",
    "rss_0.94.xml", "rss_2.0.xml",
]]

# An Atom enclosure link without a type has none in Varlo; feedparser gives every Atom link
# without a type "text/html", which an audio file is not.
ATOM_LINK_TYPE = "an Atom enclosure link without a type has no type, not \"text/html\""

# Known differences, {(file, what): reason}, `what` naming the field as reported below. None
# remain among these captures; the walk over the whole corpus (--all) lists the others. What that
# walk still reports are, apart from hand-written edge cases, differences where Varlo is meant to
# differ:
# - an Atom entry without an alternate (or rel-less) link has no link; feedparser opens its id;
# - feedparser takes the last of several links or titles of an item, Varlo the first;
# - UTF-16 files, Shift_JIS written with code page 932's own characters ("①") and labels such as
#   "Windows-31J" or "x-sjis", which feedparser reads as windows-1252 or not at all;
# - "JST" dates, which feedparser reads as UTC;
# - an RSS date of 1970-01-01 00:00:00, which Varlo takes for no date.
KNOWN = {
    ("rome/rome-modules/src/test/resources/feedpress/atom.xml", "item 0 enclosures"):
        ATOM_LINK_TYPE,
    ("rome/rome-modules/src/test/resources/fyyd/atom.xml", "item 0 enclosures"): ATOM_LINK_TYPE,
    ("rome/rome-modules/src/test/resources/psc/atom.xml", "item 0 enclosures"): ATOM_LINK_TYPE,
}


def normalise(text):
    """Tags stripped, white space runs collapsed, trimmed."""
    text = re.sub(r"<[^>]*>", "", text or "")
    return re.sub(r"\s+", " ", text).strip()


def shown_title(entry):
    """A title as a browser shows it: feedparser keeps an HTML title as HTML ("&amp;"), whose
    markup goes and whose references are then read; a plain text title is shown as it is."""
    title = entry.get("title", "")
    detail = entry.get("title_detail") or {}
    if detail.get("type", "text/html") in ("text/html", "application/xhtml+xml"):
        title = html.unescape(re.sub(r"<[^>]*>", "", title))
    return title


def feedparser_view(path):
    import feedparser
    d = feedparser.parse(path)
    atom = d.get("version", "").startswith("atom")
    items = []
    for e in d.entries:
        order = ("updated_parsed", "published_parsed") if atom else \
            ("published_parsed", "updated_parsed")
        date = None
        for key in order:
            if e.get(key):
                date = calendar.timegm(e[key])
                break
        items.append({"title": shown_title(e), "link": (e.get("link") or "").strip(),
                      "date": date,
                      "enclosures": [((x.get("href") or "").strip(), x.get("type", ""),
                                      size(x.get("length"))) for x in e.get("enclosures", [])],
                      "media": sorted((x.get("url") or "").strip()
                                      for x in (e.get("media_content") or []) +
                                      (e.get("media_thumbnail") or []))})
    return {"title": shown_title(d.feed), "link": (d.feed.get("link") or "").strip(),
            "items": items}


def varlo_view(cli, path):
    env = dict(os.environ, TZ="UTC")
    out = subprocess.run([cli, "feed", "--display", path], capture_output=True, env=env,
                         check=False).stdout
    data = json.loads(out)
    return {"title": data["title"], "link": data["link"],
            "items": [{"title": i["title"], "link": i["link"], "date": i["updated"],
                       "enclosures": [(x["url"], x["type"], x["length"]) for x in i["enclosures"]],
                       "media": sorted(x["url"] for x in i["media"])}
                      for i in data["items"]]}


def size(length):
    """feedparser's length (a text as written) as a number of bytes; 0 when it is none."""
    length = (length or "").strip()
    return int(length) if length.isdigit() else 0


def media_differences(ours, theirs):
    found = []
    if len(ours["items"]) != len(theirs["items"]):
        found.append(("item count", len(ours["items"]), len(theirs["items"])))
    for n, (a, b) in enumerate(zip(ours["items"], theirs["items"])):
        for what in ("enclosures", "media"):
            if a[what] != b[what]:
                found.append((f"item {n} {what}", a[what], b[what]))
    return found


def differences(ours, theirs):
    found = []
    if normalise(ours["title"]) != normalise(theirs["title"]):
        found.append(("feed title", ours["title"], theirs["title"]))
    if len(ours["items"]) != len(theirs["items"]):
        found.append(("item count", len(ours["items"]), len(theirs["items"])))
    for n, (a, b) in enumerate(zip(ours["items"], theirs["items"])):
        if normalise(a["title"]) != normalise(b["title"]):
            found.append((f"item {n} title", a["title"], b["title"]))
        if a["link"] != b["link"]:
            found.append((f"item {n} link", a["link"], b["link"]))
        if b["date"] is not None and a["date"] != b["date"]:
            found.append((f"item {n} date", a["date"], b["date"]))
    return found


def main():
    cli, corpus = sys.argv[1], sys.argv[2]
    walk_all = "--all" in sys.argv[3:]
    if not os.path.isdir(corpus):
        print(f"corpus {corpus} is absent: skipped")
        return 0
    failures = 0
    checks = [(rel, differences) for rel in CAPTURES] + \
        [(rel, media_differences) for rel in MEDIA_CAPTURES]
    for rel, compare in checks:
        found = compare(varlo_view(cli, os.path.join(corpus, rel)),
                        feedparser_view(os.path.join(corpus, rel)))
        for what, ours, theirs in found:
            if (rel, what) in KNOWN:
                continue
            failures += 1
            print(f"DIFF {rel}: {what}: varlo {ours!r} feedparser {theirs!r}")
    if walk_all:
        report_all(cli, corpus)
    print(f"{len(CAPTURES)} captures and {len(MEDIA_CAPTURES)} with media, {failures} unexplained "
          "differences")
    return 1 if failures else 0


def report_all(cli, corpus):
    agreeing = total = 0
    dated = same = 0
    with open(os.path.join(corpus, "INDEX.tsv"), encoding="utf-8") as index:
        next(index)
        for line in index:
            source, rel, _size, role, kind = line.split("\t")[:5]
            if role != "input" or kind not in ("rss", "feed", "rdf:RDF"):
                continue
            if source == "feedparser" and "large_atom" not in rel:
                continue
            path = os.path.join(corpus, source, rel)
            try:
                ours, theirs = varlo_view(cli, path), feedparser_view(path)
            except Exception as error:  # noqa: BLE001 - a report, not a check
                print(f"ERROR {source}/{rel}: {error}")
                continue
            total += 1
            found = differences(ours, theirs)
            for b, a in zip(theirs["items"], ours["items"]):
                if b["date"] is not None:
                    dated += 1
                    same += a["date"] == b["date"]
            if not [f for f in found if not f[0].endswith("date")]:
                agreeing += 1
            for what, a, b in found[:3]:
                print(f"ALL {source}/{rel}: {what}: varlo {a!r} feedparser {b!r}")
    print(f"all feeds: {agreeing}/{total} agree; dates {same}/{dated}")


if __name__ == "__main__":
    sys.exit(main())
