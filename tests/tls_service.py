#!/usr/bin/env python3
"""Throw-away TLS look-up service on 127.0.0.1 for the end-to-end tests of "https" bases.

  tls_service.py start DIR   make certificates in DIR, start the service in the background,
                             return once its ports are written to DIR/ports
  tls_service.py stop DIR    stop the service started in DIR

Certificates (openssl command line, new each start, valid two days):
  trusted-ca.der   a CA the test adds to the machine's trust for the length of a test
  other-ca.der     a CA nobody trusts
Listeners, one per server certificate (DIR/ports has "NAME PORT" lines):
  trusted          127.0.0.1 and localhost, signed by the trusted CA
  untrusted        127.0.0.1 and localhost, signed by the other CA
  wrongname        only other.invalid, signed by the trusted CA

Every listener answers any GET with the bytes of DIR/answer.bin (written by the test) and logs
each accepted connection ("connect") and each request line ("request GET ...") to
DIR/NAME.log. The service ends on "stop", and by itself after MAX_LIFETIME_S in any case.
"""

import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time

MAX_LIFETIME_S = 1800
CONNECTION_TIMEOUT_S = 10
START_TIMEOUT_S = 15
# Wine 8 matches a host only against DNS names (or the common name when there are none), not
# against IP addresses: 127.0.0.1 is therefore named both ways.
LOCAL_NAMES = "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost"
LISTENERS = (("trusted", "trusted-ca", LOCAL_NAMES),
             ("untrusted", "other-ca", LOCAL_NAMES),
             ("wrongname", "trusted-ca", "DNS:other.invalid"))


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_ca(folder, name):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
            "-keyout", name + ".key", "-out", name + ".pem", "-subj", "/CN=Throw-away " + name,
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    openssl("x509", "-in", name + ".pem", "-outform", "DER", "-out", name + ".der", cwd=folder)


def make_server(folder, name, ca, alt_names):
    with open(os.path.join(folder, name + ".ext"), "w") as ext:
        ext.write("basicConstraints=critical,CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n"
                  "subjectAltName=" + alt_names + "\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out",
            name + ".csr", "-subj", "/CN=" + alt_names.split(",")[0].split(":")[1], cwd=folder)
    openssl("x509", "-req", "-in", name + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
            "-CAcreateserial", "-sha256", "-days", "2", "-extfile", name + ".ext", "-out",
            name + ".pem", cwd=folder)


def log(folder, name, line):
    with open(os.path.join(folder, name + ".log"), "a", encoding="latin-1") as f:
        f.write(line + "\n")


def serve_connection(folder, name, context, conn):
    try:
        conn.settimeout(CONNECTION_TIMEOUT_S)
        log(folder, name, "connect")
        with context.wrap_socket(conn, server_side=True) as tls:
            head = b""
            while b"\r\n\r\n" not in head and len(head) < 65536:
                chunk = tls.recv(4096)
                if not chunk:
                    break
                head += chunk
            if b"\r\n\r\n" not in head:
                log(folder, name, "no request")
                return
            log(folder, name, "request " + head.split(b"\r\n", 1)[0].decode("latin-1"))
            try:
                with open(os.path.join(folder, "answer.bin"), "rb") as f:
                    body = f.read()
            except OSError:
                body = b""
            tls.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                        str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)
    except (OSError, ssl.SSLError) as e:
        log(folder, name, "failed " + type(e).__name__ + ": " + str(e))
    finally:
        conn.close()


def listen(folder, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, name + ".pem"),
                            os.path.join(folder, name + ".key"))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    def accept_loop():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=serve_connection, args=(folder, name, context, conn),
                             daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    return listener.getsockname()[1]


def serve(folder):
    ports = [name + " " + str(listen(folder, name)) for name, _, _ in LISTENERS]
    with open(os.path.join(folder, "ports.tmp"), "w") as f:
        f.write("\n".join(ports) + "\n")
    os.replace(os.path.join(folder, "ports.tmp"), os.path.join(folder, "ports"))
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    time.sleep(MAX_LIFETIME_S)
    os._exit(0)


def stop(folder):
    try:
        with open(os.path.join(folder, "pid")) as f:
            pid = int(f.read())
    except (OSError, ValueError):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            time.sleep(0.1)
            os.kill(pid, 0)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os.remove(os.path.join(folder, "pid"))


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    for entry in os.listdir(folder):
        os.remove(os.path.join(folder, entry))
    make_ca(folder, "trusted-ca")
    make_ca(folder, "other-ca")
    for name, ca, alt_names in LISTENERS:
        make_server(folder, name, ca, alt_names)
    with open(os.path.join(folder, "service.out"), "wb") as out:
        child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder],
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                 start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(child.pid))
    deadline = time.monotonic() + START_TIMEOUT_S
    while not os.path.exists(os.path.join(folder, "ports")):
        if child.poll() is not None or time.monotonic() > deadline:
            stop(folder)
            sys.exit("the TLS service did not start; see " + os.path.join(folder, "service.out"))
        time.sleep(0.05)
    print(open(os.path.join(folder, "ports")).read(), end="")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "serve"):
        sys.exit(__doc__)
    {"start": start, "stop": stop, "serve": serve}[sys.argv[1]](os.path.abspath(sys.argv[2]))
