"""The HTTP peer of http_test.py: Python's http.server on 127.0.0.1.

Usage: http_peer.py PORT ROOT [CERT KEY]   (with CERT and KEY: HTTPS)

  GET  /status/NNN       answers NNN
  GET  /cookie           sets the cookie k=v;  /echo-cookie answers the Cookie header
  GET  /auth             demands Basic user:pass
  GET  /redirect/N       N redirects before "end"
  GET  /cut              promises 100000 bytes, sends 10 and closes
  GET  /huge-header      a 10 MB header line
  GET  /name/ANYTHING    answers "named"
  POST /sjis             answers 日本語 in CP932
  POST anything else     echoes the content type, a line break and the body
  GET  anything else     a file of ROOT
"""
import base64
import time
import http.server
import ssl
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def _send(self, code, body, headers=()):
        self.send_response(code)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        p = self.path
        if p.startswith("/status/"):
            return self._send(int(p[8:11]), b"error page")
        if p == "/cookie":
            return self._send(200, b"set", [("Set-Cookie", "k=v; Path=/")])
        if p == "/echo-cookie":
            return self._send(200, (self.headers.get("Cookie") or "").encode())
        if p == "/auth":
            ok = self.headers.get("Authorization") == "Basic " + base64.b64encode(b"user:pass").decode()
            return self._send(200 if ok else 401, b"ok" if ok else b"no",
                              [] if ok else [("WWW-Authenticate", 'Basic realm="t"')])
        if p.startswith("/redirect/"):
            n = int(p[10:])
            if n == 0:
                return self._send(200, b"end")
            return self._send(302, b"", [("Location", "/redirect/%d" % (n - 1))])
        if p == "/cut":
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            self.close_connection = True
            return
        if p == "/huge-header":
            self.send_response(200)
            self.send_header("X-Huge", "a" * (10 << 20))
            self.send_header("Content-Length", "2")
            self.end_headers()
            self.wfile.write(b"ok")
            return
        if p == "/drip":  # a byte every 0.1 s, for at most a minute
            self.send_response(200)
            self.send_header("Content-Length", "600")
            self.end_headers()
            for _ in range(600):
                self.wfile.write(b"d")
                self.wfile.flush()
                time.sleep(0.1)
            return
        if p.startswith("/name/"):
            return self._send(200, b"named")
        return super().do_GET()

    def do_POST(self):
        n = int(self.headers.get("Content-Length", 0))
        body = self.rfile.read(n)
        if self.path.startswith("/status/"):
            return self._send(int(self.path[8:11]), b"error page")
        if self.path == "/sjis":
            return self._send(200, "日本語".encode("cp932"))
        self._send(200, self.headers.get("Content-Type", "").encode() + b"\n" + body)


def main():
    port, root = int(sys.argv[1]), sys.argv[2]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), lambda *a: Handler(*a, directory=root))
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
