#!/usr/bin/python3
"""A local SMTP server for the mail tests (Debian's aiosmtpd).

Writes every message it accepts to OUTDIR/NNNN.eml, exactly as received
after the DATA phase, preceded by X-Envelope-From, X-Envelope-To and
X-Auth-Mechanism lines. Prints READY once it listens and exits when its
standard input closes or after --lifetime seconds.
"""
import argparse
import logging
import os
import ssl
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Store:
    def __init__(self, outdir):
        self.outdir = outdir
        self.count = 0
        self.mechanism = {}

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        head = "X-Envelope-From: %s\r\nX-Envelope-To: %s\r\nX-Auth-Mechanism: %s\r\n" % (
            envelope.mail_from, ",".join(envelope.rcpt_tos), self.mechanism.get(id(session), "none"))
        path = os.path.join(self.outdir, "%04d.eml" % self.count)
        with open(path + ".part", "wb") as f:
            f.write(head.encode("ascii") + envelope.original_content)
        os.rename(path + ".part", path)
        return "250 OK"


def main():
    # aiosmtpd's own deprecation notices would only clutter the test output.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--outdir", required=True)
    p.add_argument("--user")
    p.add_argument("--password")
    p.add_argument("--plain-only", action="store_true", help="offer AUTH PLAIN but not LOGIN")
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--lifetime", type=float, default=120)
    a = p.parse_args()

    store = Store(a.outdir)
    kwargs = {}
    if a.user is not None:
        def authenticator(server, session, envelope, mechanism, auth_data):
            ok = auth_data.login == a.user.encode() and auth_data.password == a.password.encode()
            if ok:
                store.mechanism[id(session)] = mechanism
            # handled=False: the server answers 535 itself instead of dropping the line.
            return AuthResult(success=ok, handled=False)
        kwargs.update(authenticator=authenticator, auth_require_tls=False)
        if a.plain_only:
            kwargs["auth_exclude_mechanism"] = ["LOGIN"]
    if a.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(a.cert, a.key)
        kwargs["ssl_context"] = context
    controller = Controller(store, hostname="127.0.0.1", port=a.port, **kwargs)
    controller.start()
    print("READY", flush=True)

    done = threading.Event()
    threading.Thread(target=lambda: (sys.stdin.read(), done.set()), daemon=True).start()
    done.wait(a.lifetime)
    controller.stop()


if __name__ == "__main__":
    main()
