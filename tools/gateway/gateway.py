#!/usr/bin/env python3
"""Reference PLAXOR login gateway for the demo workstation and the tests.

Answers the client library's HTTP login:
    POST <process>  (application/x-www-form-urlencoded: action=login, user, password,
                     remember, read_size)
    -> 200 {"status":"ok","vars":{"PLX2_SEED":{"int":0,"text":"acme"}, ...}}
    -> 200 {"status":"error","message":"..."}
with the users and server variables of a readable INI file, optionally behind Basic and/or
Digest authentication of the web server, over HTTP or over HTTPS with a certificate it makes
for itself (openssl). It also writes the SQLite database of a LAN login (--make-database).

Once it listens it prints "listening http(s)://HOST:PORT" (also into --ready-file), so that a
caller that asked for port 0 learns the port it got.
"""

import argparse
import base64
import configparser
import hashlib
import http.server
import json
import os
import secrets
import socket
import socketserver
import sqlite3
import ssl
import subprocess
import sys
import threading
import urllib.parse
import urllib.request

sys.dont_write_bytecode = True  # nothing lands in the source tree when tests run from it
import service_life  # noqa: E402

MAX_REQUEST_BODY = 64 * 1024


def read_config(path):
    config = configparser.ConfigParser(interpolation=None, inline_comment_prefixes=(";", "#"))
    config.optionxform = str  # variable and user names keep their case
    with open(path, encoding="utf-8") as file:
        config.read_file(file)
    for section in ("gateway", "users", "vars"):
        if not config.has_section(section):
            config.add_section(section)
    return config


def variable(text):
    """A variable's integer and text forms: the integer is the text's value when it is one."""
    try:
        number = int(text.strip())
    except ValueError:
        number = 0
    return {"int": number, "text": text}


def make_database(config, path):
    if os.path.exists(path):
        os.remove(path)
    with sqlite3.connect(path) as database:
        database.execute("CREATE TABLE plx_vars (name TEXT PRIMARY KEY, int_value INTEGER, text_value TEXT)")
        for name, text in config.items("vars"):
            value = variable(text)
            database.execute("INSERT INTO plx_vars VALUES (?, ?, ?)", (name, value["int"], value["text"]))


def make_certificate(folder, names, expired=False):
    """A CA of the folder's own, made once per folder, and a server certificate for `names`
    (expired since yesterday when asked), made once per folder, names and expiry."""
    os.makedirs(folder, exist_ok=True)
    ca_key, ca_pem, ca_der = (os.path.join(folder, n) for n in ("ca.key", "ca.pem", "ca.der"))
    stem = "server" if names == ["localhost"] and not expired else "server-" + "-".join(names) + ("-expired" * expired)
    key, csr, cert = (os.path.join(folder, stem + e) for e in (".key", ".csr", ".pem"))
    if os.path.exists(cert) and os.path.exists(ca_der):
        return cert, key, ca_der

    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    if not os.path.exists(ca_der):
        make_authority(openssl, ca_key, ca_pem, ca_der)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=" + names[0])
    extensions = os.path.join(folder, stem + ".ext")
    with open(extensions, "w", encoding="ascii") as file:
        file.write("basicConstraints=CA:FALSE\n"
                   "keyUsage=critical,digitalSignature,keyEncipherment\n"
                   "extendedKeyUsage=serverAuth\n"
                   "subjectAltName=" + ",".join("DNS:" + n for n in names) + "\n")
    # -days -1: valid until yesterday, the only past date this openssl's x509 can give.
    openssl("x509", "-req", "-in", csr, "-CA", ca_pem, "-CAkey", ca_key, "-CAcreateserial", "-out", cert,
            "-days", "-1" if expired else "825", "-sha256", "-extfile", extensions)
    return cert, key, ca_der


def make_authority(openssl, ca_key, ca_pem, ca_der):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca_pem, "-days", "3650",
            "-subj", "/CN=PLAXOR gateway CA " + secrets.token_hex(4),
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("x509", "-in", ca_pem, "-outform", "der", "-out", ca_der)


class DigestNonces:
    """Nonces the gateway handed out; a Digest answer must use one of them."""

    def __init__(self):
        self._issued = set()
        self._lock = threading.Lock()

    def new(self):
        nonce = secrets.token_hex(16)
        with self._lock:
            self._issued.add(nonce)
        return nonce

    def known(self, nonce):
        with self._lock:
            return nonce in self._issued


def parse_digest(value):
    fields = {}
    for part in urllib.request.parse_http_list(value):
        name, _, text = part.partition("=")
        fields[name.strip().lower()] = text.strip().strip('"')
    return fields


class Gateway(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keeps the connection for the logon retry
    disable_nagle_algorithm = True  # headers and body go out at once, not 40 ms apart

    def version_string(self):
        return "PLAXORGateway/1.0"

    # -- the web server's logon -------------------------------------------------------------

    def _schemes(self):
        auth = self.server.config.get("gateway", "auth", fallback="none").lower()
        return [s for s in ("digest", "basic") if s in auth]

    def _logon_accepted(self):
        schemes = self._schemes()
        if not schemes:
            return True
        user = self.server.config.get("gateway", "server_user", fallback="")
        password = self.server.config.get("gateway", "server_password", fallback="")
        header = self.headers.get("Authorization", "")
        scheme, _, value = header.partition(" ")
        scheme = scheme.lower()
        self.auth_scheme = scheme or "-"
        if scheme == "basic" and "basic" in schemes:
            try:
                given = base64.b64decode(value.strip(), validate=True).decode("utf-8")
            except (ValueError, UnicodeDecodeError):
                return False
            return secrets.compare_digest(given, user + ":" + password)
        if scheme == "digest" and "digest" in schemes:
            return self._digest_accepted(parse_digest(value), user, password)
        return False

    def _digest_accepted(self, fields, user, password):
        realm = self.server.config.get("gateway", "realm", fallback="PLAXOR gateway")
        if fields.get("username") != user or fields.get("realm") != realm:
            return False
        if not self.server.nonces.known(fields.get("nonce", "")):
            return False

        def md5(text):
            return hashlib.md5(text.encode("utf-8")).hexdigest()

        ha1 = md5(f"{user}:{realm}:{password}")
        ha2 = md5(f"{self.command}:{fields.get('uri', '')}")
        if fields.get("qop"):
            expected = md5(f"{ha1}:{fields['nonce']}:{fields.get('nc', '')}:{fields.get('cnonce', '')}:{fields['qop']}:{ha2}")
        else:
            expected = md5(f"{ha1}:{fields['nonce']}:{ha2}")
        return secrets.compare_digest(expected, fields.get("response", ""))

    def _challenge(self):
        realm = self.server.config.get("gateway", "realm", fallback="PLAXOR gateway")
        headers = []
        for scheme in self._schemes():
            if scheme == "digest":
                headers.append(f'Digest realm="{realm}", qop="auth", algorithm=MD5, '
                               f'nonce="{self.server.nonces.new()}", opaque="{secrets.token_hex(8)}"')
            else:
                headers.append(f'Basic realm="{realm}", charset="UTF-8"')
        self._send(401, b"Unauthorized\n", "text/plain; charset=utf-8", [("WWW-Authenticate", h) for h in headers])

    # -- answers --------------------------------------------------------------------------------

    def _send(self, status, body, content_type, extra_headers=(), announce_length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        # A session cookie on every answer, as the web servers in front of real gateways set.
        remember = "; Max-Age=2592000" if getattr(self, "remember", False) else ""
        self.send_header("Set-Cookie", f"plx_session={secrets.token_hex(16)}; Path=/; HttpOnly{remember}")
        for name, value in extra_headers:
            self.send_header(name, value)
        if announce_length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)
        self.status_sent = status

    def _send_json(self, answer):
        content_type = self.server.config.get("gateway", "content_type", fallback="application/json; charset=utf-8")
        self._send(200, json.dumps(answer).encode("utf-8"), content_type)

    def _send_broken(self, behaviour):
        """A whole login answer announced, then: one byte a second until the client gives up
        (slow), half of it and the connection closed (cut), or half of its headers and the
        gateway's process gone (killed)."""
        body = json.dumps({"status": "ok", "vars": {"PLX2_SEED": {"int": 0, "text": "acme"}}}).encode()
        head = (f"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                f"Content-Length: {len(body)}\r\n\r\n").encode()
        self.close_connection = True
        if behaviour == "killed":
            self.wfile.write(head[:len(head) // 2])
            self.wfile.flush()
            os._exit(9)
        self.wfile.write(head)
        if behaviour == "cut":
            self.wfile.write(body[:len(body) // 2])
            return
        for byte in body:
            self.wfile.write(bytes([byte]))
            self.wfile.flush()
            if self.server.stopping.wait(1):
                return

    def _login(self, form):
        config = self.server.config
        behaviour = config.get("gateway", "answer", fallback="normal").lower()
        if behaviour == "silent":
            self.server.stopping.wait()  # accepts, reads, and never answers
            self.close_connection = True
            return
        if behaviour == "malformed":
            return self._send(200, b'{"status":"ok","vars":{"PLX2_SEED":', "application/json")
        if behaviour in ("oversized", "oversized-unannounced"):
            return self._send(200, self.server.oversized_answer, "application/json",
                              announce_length=behaviour == "oversized")
        if behaviour.startswith("http-"):
            status = int(behaviour[5:])
            return self._send(status, f"{status} {self.responses.get(status, ('',))[0]}\n".encode(), "text/plain")
        if behaviour.startswith("redirect-"):  # to a path where nothing answers a login
            return self._send(int(behaviour[9:]), b"Moved\n", "text/plain", [("Location", "/moved" + self.path)])
        if behaviour in ("slow", "cut", "killed"):
            return self._send_broken(behaviour)

        if form.get("action") != "login":
            return self._send_json({"status": "error", "message": "Unknown action."})
        user = form.get("user", "")
        password = form.get("password", "")
        self.remember = form.get("remember") == "1"
        if not config.has_option("users", user) or not secrets.compare_digest(config.get("users", user), password):
            return self._send_json({"status": "error", "message": "Invalid user name or password."})
        self._send_json({"status": "ok", "vars": {name: variable(text) for name, text in config.items("vars")}})

    def handle_one_request(self):
        # A client that sends its headers and its body apart waits for our ACK of the headers
        # before it sends the body (Nagle): acknowledge at once rather than 40 ms later. Linux
        # forgets the wish after a while, so it is renewed for every request of a connection.
        if hasattr(socket, "TCP_QUICKACK"):
            try:
                self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
            except OSError:
                pass
        super().handle_one_request()

    def do_POST(self):
        self.auth_scheme = "-"
        self.status_sent = 0
        try:
            self._handle_post()
        finally:
            self.server.log_request_line(self.command, self.path, self.auth_scheme,
                                         "yes" if self.headers.get("Cookie") else "no", self.status_sent)

    def _handle_post(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        if length > MAX_REQUEST_BODY:
            return self._send(413, b"Request too large\n", "text/plain")
        body = self.rfile.read(length)
        if not self._logon_accepted():
            return self._challenge()
        process = self.server.config.get("gateway", "process", fallback="/drawing_management/dbclient.php")
        if urllib.parse.urlsplit(self.path).path.lower() != process.lower():
            return self._send(404, b"Not Found\n", "text/plain")
        fields = urllib.parse.parse_qs(body.decode("utf-8", "replace"), keep_blank_values=True)
        self._login({name: values[0] for name, values in fields.items()})

    def do_GET(self):
        self._send(405, b"Method Not Allowed\n", "text/plain", [("Allow", "POST")])

    def log_message(self, format, *args):  # the request log below replaces stderr chatter
        pass


class GatewayServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, config, tls_context, request_log):
        super().__init__(address, Gateway)
        self.config = config
        self.tls_context = tls_context
        self.nonces = DigestNonces()
        self.stopping = threading.Event()
        self.request_log = request_log
        self.log_lock = threading.Lock()
        # Made before the gateway says it listens: on a busy machine making 50 MB takes longer
        # than the client waits, and what is timed is how the client takes the answer.
        self.oversized_answer = b""
        if config.get("gateway", "answer", fallback="").lower().startswith("oversized"):
            size = config.getint("gateway", "answer_bytes", fallback=1536 * 1024)
            big = {"status": "ok", "vars": {"PLX2_SEED": {"int": 0, "text": "x" * size}}}
            self.oversized_answer = json.dumps(big).encode()

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, on the connection's own thread, so a client that
        # never completes it holds up no one else.
        if self.tls_context:
            try:
                request = self.tls_context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass  # a client that went away is no news

    def log_request_line(self, method, path, scheme, cookie, status):
        if not self.request_log:
            return
        with self.log_lock, open(self.request_log, "a", encoding="utf-8") as file:
            file.write(f"{method} {path} auth={scheme} cookie={cookie} status={status}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--config", required=True, help="INI file with [gateway], [users] and [vars]")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=0, help="port to listen on (default: a free one)")
    parser.add_argument("--tls", action="store_true", help="answer HTTPS with a certificate of its own")
    parser.add_argument("--cert-dir", help="where the CA and the certificate are made and kept "
                                           "(default: gateway-cert beside the config file)")
    parser.add_argument("--cert-name", action="append", default=[],
                        help="DNS name of the certificate (default localhost; may be repeated)")
    parser.add_argument("--cert-expired", action="store_true", help="a server certificate that expired yesterday")
    parser.add_argument("--make-database", metavar="FILE",
                        help="write the [vars] into a SQLite database for LAN logins and exit")
    parser.add_argument("--request-log", metavar="FILE", help="append one line per request (no credentials)")
    service_life.add_arguments(parser)
    args = parser.parse_args()

    try:
        serve(args)
    except Exception as error:
        service_life.report_failure(args, str(error))
        raise


def serve(args):
    config = read_config(args.config)
    if args.make_database:
        make_database(config, args.make_database)
        return

    tls_context = None
    lines = []
    if args.tls:
        folder = args.cert_dir or os.path.join(os.path.dirname(os.path.abspath(args.config)), "gateway-cert")
        cert, key, ca_der = make_certificate(folder, args.cert_name or ["localhost"], args.cert_expired)
        tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls_context.load_cert_chain(cert, key)
        lines.append(f"certificate authority {ca_der}")

    server = GatewayServer((args.host, args.port), config, tls_context, args.request_log)
    service_life.watch(args, lambda: os._exit(0))
    host, port = server.server_address[:2]
    service_life.announce(args, lines + [f"listening {'https' if args.tls else 'http'}://{host}:{port}"])
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping.set()


if __name__ == "__main__":
    main()
