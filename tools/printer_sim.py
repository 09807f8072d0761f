#!/usr/bin/python3
"""Fiscal printer simulator on a pseudo-terminal (raw, 8N1).

Creates a pty, prints "READY <pty path>" on standard output (and points --link at it),
then serves the pty until it is killed or told "quit":

  printer  answers each DIAG INFO frame (command 0x5A) with a valid response frame
  silent   never answers
  echo     sends back every byte it receives
  garbage  answers each frame with bytes that are no valid frame
  flood    sends bytes without pause from the start, whatever it receives

Every chunk it receives is printed as "RX <hex>" (unless --quiet) and, with --record,
appended to a file.
Commands on standard input, one a line:
  send HEX | later MS HEX | mode NAME | data TEXT | status HEX | seq HEX|echo
  reply HEX|none | syn N | quit
"""
import argparse
import os
import select
import signal
import sys
import termios
import time
import tty

SYN = 0x16


def checksum(body):
    total = sum(body)
    return bytes(0x30 + ((total >> shift) & 0x0F) for shift in (12, 8, 4, 0))


def response_frame(seq, cmd, data, status):
    body = bytes([0x20 + 5 + len(data) + len(status), seq, cmd]) + data + b"\x04" + status + b"\x05"
    return b"\x01" + body + checksum(body) + b"\x03"


class Simulator:
    def __init__(self, args):
        self.mode = args.mode
        self.data = args.data.encode("latin-1")
        self.status = bytes.fromhex(args.status)
        self.seq = args.seq
        self.reply = bytes.fromhex(args.reply_hex) if args.reply_hex else None
        self.syn = args.syn
        self.syn_interval = args.syn_interval / 1000.0
        self.delay = args.delay / 1000.0
        self.record = open(args.record, "ab", buffering=0) if args.record else None
        self.link = args.link
        self.quiet = args.quiet
        self.inbuf = b""
        self.outbuf = b""
        self.later = []
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        attrs = termios.tcgetattr(self.slave)
        attrs[4] = attrs[5] = termios.B9600
        termios.tcsetattr(self.slave, termios.TCSANOW, attrs)
        os.set_blocking(self.master, False)
        self.path = os.ttyname(self.slave)
        if self.link:
            tmp = self.link + ".tmp"
            if os.path.lexists(tmp):
                os.unlink(tmp)
            os.symlink(self.path, tmp)
            os.replace(tmp, self.link)

    def out(self, line):
        sys.stdout.write(line + "\n")
        sys.stdout.flush()

    def write(self, data):
        self.outbuf += data
        self.flush_out()

    def flush_out(self):
        while self.outbuf:
            try:
                n = os.write(self.master, self.outbuf)
            except BlockingIOError:
                return
            self.outbuf = self.outbuf[n:]

    def received(self, chunk):
        if not self.quiet:
            self.out("RX " + chunk.hex())
        if self.record:
            self.record.write(chunk)
        if self.mode == "echo":
            self.write(chunk)
        elif self.mode in ("printer", "garbage"):
            self.inbuf += chunk
            self.answer_frames()

    def answer_frames(self):
        while True:
            start = self.inbuf.find(b"\x01")
            if start < 0:
                self.inbuf = b""
                return
            end = self.inbuf.find(b"\x03", start)
            if end < 0:
                self.inbuf = self.inbuf[start:]
                return
            frame = self.inbuf[start:end + 1]
            self.inbuf = self.inbuf[end + 1:]
            if len(frame) >= 10 and frame[3] == 0x5A:
                self.answer(frame)

    def answer(self, frame):
        if self.delay:
            time.sleep(self.delay)
        for _ in range(self.syn):
            self.write(bytes([SYN]))
            time.sleep(self.syn_interval)
        if self.mode == "garbage":
            self.write(b"\x02GARBAGE\x04\x04\x05 not a frame \xff\xfe\x03")
        elif self.reply is not None:
            self.write(self.reply)
        else:
            seq = frame[2] if self.seq == "echo" else int(self.seq, 16)
            self.write(response_frame(seq, frame[3], self.data, self.status))

    def command(self, line):
        words = line.strip().split(None, 1)
        if not words:
            return True
        name, arg = words[0], (words[1] if len(words) > 1 else "")
        if name == "quit":
            return False
        if name == "send":
            self.write(bytes.fromhex(arg))
        elif name == "later":
            ms, hexdata = arg.split(None, 1)
            self.later.append((time.monotonic() + float(ms) / 1000.0, bytes.fromhex(hexdata)))
        elif name == "mode":
            self.mode = arg
        elif name == "data":
            self.data = arg.encode("latin-1")
        elif name == "status":
            self.status = bytes.fromhex(arg)
        elif name == "seq":
            self.seq = arg
        elif name == "reply":
            self.reply = None if arg == "none" else bytes.fromhex(arg)
        elif name == "syn":
            self.syn = int(arg)
        self.out("OK " + name)
        return True

    def run(self):
        self.out("READY " + self.path)
        stdin_open = True
        stdin_buf = b""
        flood = b"U" * 4096
        while True:
            readers = [self.master] + ([sys.stdin.fileno()] if stdin_open else [])
            writers = [self.master] if (self.outbuf or self.mode == "flood") else []
            now = time.monotonic()
            for due, data in [item for item in self.later if item[0] <= now]:
                self.later.remove((due, data))
                self.write(data)
            timeout = min([due - now for due, _ in self.later] + [1.0])
            r, w, _ = select.select(readers, writers, [], max(timeout, 0))
            if self.master in w:
                if self.mode == "flood" and not self.outbuf:
                    self.outbuf = flood
                self.flush_out()
            if self.master in r:
                try:
                    chunk = os.read(self.master, 65536)
                except (BlockingIOError, OSError):
                    chunk = b""
                if chunk:
                    self.received(chunk)
            if stdin_open and sys.stdin.fileno() in r:
                data = os.read(sys.stdin.fileno(), 4096)
                if not data:
                    stdin_open = False
                stdin_buf += data
                while b"\n" in stdin_buf:
                    line, stdin_buf = stdin_buf.split(b"\n", 1)
                    if not self.command(line.decode("utf-8", "replace")):
                        return

    def cleanup(self):
        if self.link and os.path.islink(self.link) and os.readlink(self.link) == self.path:
            os.unlink(self.link)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--link", help="symlink to create for the pty")
    parser.add_argument("--mode", default="printer", choices=["printer", "silent", "echo", "garbage", "flood"])
    parser.add_argument("--data", default="2.00 05Apr11 1200,A7E4,0000,6,DT123456,02123456",
                        help="data field of the DIAG INFO answer")
    parser.add_argument("--status", default="808080808080", help="status bytes of the answer, hex")
    parser.add_argument("--seq", default="echo", help="sequence byte of the answer, hex, or 'echo'")
    parser.add_argument("--reply-hex", help="answer a DIAG INFO frame with exactly these bytes")
    parser.add_argument("--syn", type=int, default=0, help="SYN bytes to send before an answer")
    parser.add_argument("--syn-interval", type=float, default=0, help="ms between SYN bytes")
    parser.add_argument("--delay", type=float, default=0, help="ms before an answer")
    parser.add_argument("--record", help="append every received byte to this file")
    parser.add_argument("--quiet", action="store_true", help="do not print what is received")
    args = parser.parse_args()

    sim = Simulator(args)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    signal.signal(signal.SIGINT, lambda *_: sys.exit(0))
    try:
        sim.run()
    finally:
        sim.cleanup()


if __name__ == "__main__":
    main()
