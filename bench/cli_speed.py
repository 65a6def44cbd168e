#!/usr/bin/env python3
"""One process of `varlo-cli feed --summary` beside one of `xmllint --noout` on the same 10 MB
feeds (RSS 2.0, RSS 1.0, Atom 1.0, Japanese text), best of several runs: the wall time, and the
processor time of the process (user and system), which a machine shared with other work disturbs
less. The target is twice as fast as xmllint.

Usage: bench/cli_speed.py [VARLO_CLI] [MEGABYTES] [RUNS]
"""

import os
import subprocess
import sys
import tempfile
import time

PHRASES = ["日本語のニュース記事です。", "今日は晴れのち曇り、", "東京都渋谷区で",
           "新しい製品が発表されました。", "開発者向けのイベントが開催され、",
           "詳しくは公式サイトをご覧ください。", "RSS と Atom の違いを解説します。"]


def text(n, count):
    return "".join(PHRASES[(n * 7 + i * 3) % len(PHRASES)] for i in range(count))


def item(kind, n):
    link = "https://example.jp/articles/%d.html" % n
    title = text(n, 2) + " #%d" % n
    body = text(n, 12 + n % 24)
    if kind == "RSS 2.0":
        return ("<item><title>%s</title><link>%s</link><description><![CDATA[<p>%s</p>]]>"
                "</description><category>ニュース</category><pubDate>Mon, 02 Nov 2026 10:15:00"
                " +0900</pubDate><guid>%s</guid></item>\n" % (title, link, body, link))
    if kind == "RSS 1.0":
        return ('<item rdf:about="%s"><title>%s</title><link>%s</link><description>%s'
                "</description><dc:subject>ニュース</dc:subject><dc:date>2026-11-02T10:15:00"
                "+09:00</dc:date></item>\n" % (link, title, link, body))
    return ('<entry><title>%s</title><link rel="alternate" href="%s"/><id>%s</id>'
            "<updated>2026-11-02T10:15:00+09:00</updated><summary>%s</summary>"
            '<category term="news">ニュース</category></entry>\n' % (title, link, link, body))


def feed(kind, size):
    heads = {
        "RSS 2.0": ('<rss version="2.0"><channel><title>t</title><link>http://example.jp/</link>'
                    "<description>d</description>\n", "</channel></rss>\n"),
        "RSS 1.0": ('<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" '
                    'xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">'
                    '<channel rdf:about="http://example.jp/"><title>t</title>'
                    "<link>http://example.jp/</link><description>d</description></channel>\n",
                    "</rdf:RDF>\n"),
        "Atom 1.0": ('<feed xmlns="http://www.w3.org/2005/Atom"><title>t</title>'
                     '<link href="http://example.jp/"/><id>urn:x</id>'
                     "<updated>2026-11-02T10:15:00+09:00</updated>\n", "</feed>\n"),
    }
    head, tail = heads[kind]
    parts = ['<?xml version="1.0" encoding="utf-8"?>\n', head]
    total = 0
    n = 0
    while total < size:
        piece = item(kind, n)
        parts.append(piece)
        total += len(piece.encode("utf-8"))
        n += 1
    parts.append(tail)
    return "".join(parts).encode("utf-8")


def best(command, runs):
    """The best wall time and the best processor time of `runs` runs of `command`."""
    wall = cpu = float("inf")
    with open(os.devnull, "wb") as sink:
        for _ in range(runs):
            start = time.perf_counter()
            process = subprocess.Popen(command, stdout=sink, stderr=sink)
            _, _, usage = os.wait4(process.pid, 0)
            wall = min(wall, time.perf_counter() - start)
            cpu = min(cpu, usage.ru_utime + usage.ru_stime)
    return wall, cpu


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else "build/varlo-cli"
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    print("%-10s %-28s %10s %10s" % ("feed", "program", "wall s", "cpu s"))
    with tempfile.TemporaryDirectory(prefix="varlo-cli-speed-") as folder:
        for kind in ("RSS 2.0", "RSS 1.0", "Atom 1.0"):
            path = os.path.join(folder, "feed.xml")
            with open(path, "wb") as f:
                f.write(feed(kind, megabytes * 1000 * 1000))
            ours = best([cli, "feed", "--summary", path], runs)
            theirs = best(["xmllint", "--noout", path], runs)
            print("%-10s %-28s %10.3f %10.3f" % (kind, "varlo-cli feed --summary", *ours))
            print("%-10s %-28s %10.3f %10.3f" % (kind, "xmllint --noout", *theirs))
            print("  => %.2fx xmllint by wall time, %.2fx by processor time (target 2x)" %
                  (theirs[0] / ours[0], theirs[1] / max(ours[1], 1e-9)))


if __name__ == "__main__":
    main()
