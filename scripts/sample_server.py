#!/usr/bin/env python3
"""Serves Varlo's sample sites on a free loopback port.

Writes the sample subscription file, with the port filled in, to the path given as the first
argument, then serves data/sample/site until it is stopped. Pages the samples link to but do not
have are answered with a short placeholder page.
"""
import http.server
import pathlib
import socketserver
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent / "data" / "sample"
SITE = ROOT / "site"
TYPES = {".xml": "application/xml", ".rdf": "application/rdf+xml", ".html": "text/html; charset=utf-8"}
PLACEHOLDER = """<!DOCTYPE html><html lang="ja"><head><meta charset="utf-8"><title>サンプルのページ</title>
<style>body{font-family:"Noto Sans CJK JP",sans-serif;margin:2em;line-height:1.7;color:#333}</style></head>
<body><h1>サンプルのページ</h1><p>Varlo のサンプルサイトのページです。記事の本文は、フィードからプレビューに表示されています。</p></body></html>"""


class Handler(http.server.BaseHTTPRequestHandler):
    port = 0

    def do_GET(self):
        name = self.path.split("?", 1)[0].split("#", 1)[0].lstrip("/") or "index.html"
        path = (SITE / name).resolve()
        if SITE in path.parents and path.is_file():
            body = path.read_bytes().replace(b"{PORT}", str(self.port).encode())
            kind = TYPES.get(path.suffix, "application/octet-stream")
        elif name.endswith(".html"):
            body = PLACEHOLDER.encode("utf-8")
            kind = TYPES[".html"]
        else:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: sample_server.py SUBSCRIPTION_FILE_TO_WRITE")
    with socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler) as server:
        Handler.port = server.server_address[1]
        text = (ROOT / "subscriptions.xml").read_text(encoding="utf-8")
        out = pathlib.Path(sys.argv[1])
        out.parent.mkdir(parents=True, exist_ok=True)
        temporary = out.with_suffix(".tmp")
        temporary.write_text(text.replace("{PORT}", str(Handler.port)), encoding="utf-8")
        temporary.replace(out)
        server.serve_forever()


if __name__ == "__main__":
    main()
