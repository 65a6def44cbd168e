#!/usr/bin/env python3
"""Peak memory of reading feeds: the largest resident size of one varlo-cli process for `feed`,
`feed --display` and `preview`, per kind of input, beside its bound: twice the file's size plus
32 MB for ordinary feeds (in any language), sixteen times plus 32 MB for any input.

Usage: bench/peak_memory.py [VARLO_CLI] [MEGABYTES]
  VARLO_CLI  the program to measure (default build/varlo-cli)
  MEGABYTES  size of the generated ordinary feeds (default 10)
"""

import os
import random
import subprocess
import sys
import tempfile

MB = 1000 * 1000

# A few words of each language, repeated in a fixed pseudo-random order.
WORDS = {
    "ASCII": "the quick brown fox jumps over a lazy dog while news arrive".split(),
    "accented Latin": "élève café naïve garçon déjà vu über straße año mañana".split(),
    "Korean": "한국어 뉴스 기사 오늘 날씨 서울 새로운 제품 발표 개발자".split(),
    "Thai": "ภาษาไทย ข่าว วันนี้ อากาศ กรุงเทพ ผลิตภัณฑ์ ใหม่ นักพัฒนา".split(),
    "Chinese": "中文 新闻 今天 天气 北京 新产品 发布 开发者 活动 参加".split(),
    "Japanese": "日本語 ニュース 今日 天気 東京 新製品 発表 開発者 イベント 参加".split(),
}


def sentence(rng, words, count):
    return " ".join(rng.choice(words) for _ in range(count))


def rss(items):
    return ('<?xml version="1.0" encoding="utf-8"?>\n<rss version="2.0"><channel>'
            "<title>t</title><link>http://example.com/</link>"
            "<description>d</description>\n" + "".join(items) + "</channel></rss>\n")


def ordinary_feed(words, size, seed=1):
    rng = random.Random(seed)
    items = []
    total = 0
    n = 0
    while total < size:
        n += 1
        item = ("<item><title>%s</title><link>http://example.com/a/%d</link>"
                "<description>&lt;p&gt;%s&lt;/p&gt;</description>"
                "<category>%s</category><pubDate>Mon, 02 Nov 2026 10:00:00 GMT</pubDate>"
                "<guid>http://example.com/a/%d</guid></item>\n"
                % (sentence(rng, words, 6), n, sentence(rng, words, 60), rng.choice(words), n))
        items.append(item)
        total += len(item.encode("utf-8"))
    return rss(items).encode("utf-8")


def legacy_feed(words, size, encoding):
    text = ordinary_feed(words, size).decode("utf-8")
    return text.replace('encoding="utf-8"', 'encoding="%s"' % encoding).encode(encoding)


def cases(megabytes):
    size = megabytes * MB
    # Each input is made when its turn comes, so that this script stays small.
    out = [(name, "ordinary", lambda words=words: ordinary_feed(words, size))
           for name, words in WORDS.items()]
    out.append(("ISO-8859-1 (accented)", "any",
                lambda: legacy_feed(WORDS["accented Latin"], size, "iso-8859-1")))
    out.append(("TIS-620 (Thai)", "any", lambda: legacy_feed(WORDS["Thai"], size, "tis-620")))
    out.append(("100,000 empty items", "any", lambda: rss(["<item/>"] * 100000).encode()))
    return out


def peak_bytes(command, folder):
    """Runs `command` under GNU time and returns the peak resident size of that process alone (a
    child forked from this script would count the script's own memory as well)."""
    report = os.path.join(folder, "time.txt")
    with open(os.devnull, "wb") as sink:
        code = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", report] + command,
                               stdout=sink, stderr=sink)
    with open(report) as f:
        return int(f.read().split()[-1]) * 1024, code


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else "build/varlo-cli"
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    commands = [("feed", ["feed"]), ("feed --display", ["feed", "--display"]),
                ("preview", ["preview"])]
    print("%-24s %-15s %9s %10s %8s %10s  %s" %
          ("input", "command", "file MB", "peak MB", "x file", "bound MB", "within"))
    worst = True
    with tempfile.TemporaryDirectory(prefix="varlo-peak-") as folder:
        for name, kind, make in cases(megabytes):
            data = make()
            path = os.path.join(folder, "feed.xml")
            with open(path, "wb") as f:
                f.write(data)
            size = len(data)
            del data
            factor = 2 if kind == "ordinary" else 16
            bound = factor * size + 32 * MB
            for label, args in commands:
                extra = [os.path.join(folder, "page.html")] if args[0] == "preview" else []
                peak, code = peak_bytes([cli] + args + [path] + extra, folder)
                ok = peak <= bound and code == 0
                worst = worst and ok
                print("%-24s %-15s %9.2f %10.1f %8.1f %10.1f  %s (%dx + 32 MB)%s" %
                      (name, label, size / MB, peak / MB, peak / size, bound / MB,
                       "yes" if ok else "NO", factor, "" if code == 0 else " exit %d" % code))
    print("=> every case within its bound" if worst else "=> some cases over their bound")


if __name__ == "__main__":
    main()
