#!/usr/bin/python3
"""Puts one message into a Maildir the way a delivery agent does, for tests.

Usage: put_mail.py MAILDIR --unique NAME [options]

  --unique NAME        the file's unique name (Dovecot numbers new files in name order)
  --mtime SECONDS      its modification time: the arrival time (default: now)
  --into cur|new       where it goes (default cur); --seen adds the S flag in cur/
  --from, --subject, --message-id, --note   header fields and the plain text
  --attach PATH:NAME[:STYLE]  an attachment from PATH, named NAME, the name
                       written plain (default), as rfc2231 or as rfc2047
  --nested             the attachments inside nested multiparts
  --attached-message   the last attachment inside an attached message
  --damage broken64|truncated  a byte that is not base64 in an attachment
                       (--damaged N: the Nth, default the first), or the
                       message cut off inside it
  --owner-of DIR       give the file the owner of DIR (a Dovecot running as nobody)

The message is written to tmp/ and renamed into place, so a running server
never sees half a file. Attachments are encoded in pieces: a 100 MB one costs
no memory.
"""

import argparse
import base64
import os
import time
import urllib.parse

PIECE = 57 * 1024  # whole base64 lines


def name_parameter(name, style):
    if style == "rfc2231":
        return "filename*=UTF-8''" + urllib.parse.quote(name, safe="")
    if style == "rfc2047":
        return 'filename="=?UTF-8?B?' + base64.b64encode(name.encode()).decode() + '?="'
    return 'filename="' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'


class Writer:
    def __init__(self, out, damage, damaged_index):
        self.out = out
        self.damage = damage
        self.damaged_index = damaged_index
        self.count = 0

    def text(self, s):
        self.out.write(s.encode() if isinstance(s, str) else s)

    def attachment(self, boundary, path, name, style):
        self.text(f"--{boundary}\r\nContent-Type: application/octet-stream\r\n"
                  f"Content-Disposition: attachment; {name_parameter(name, style)}\r\n"
                  "Content-Transfer-Encoding: base64\r\n\r\n")
        self.count += 1
        with open(path, "rb") as f:
            first = self.count == self.damaged_index
            while piece := f.read(PIECE):
                encoded = base64.encodebytes(piece).replace(b"\n", b"\r\n")
                if first and self.damage == "broken64":
                    encoded = encoded[:8] + b"!" + encoded[9:]
                if first and self.damage == "truncated":
                    self.text(encoded[: len(encoded) // 2])
                    raise EOFError
                self.text(encoded)
                first = False


def write_body(w, args, attachments):
    if not attachments:
        w.text("Content-Type: text/plain; charset=utf-8\r\n\r\n" + args.note + "\r\n")
        return
    w.text('Content-Type: multipart/mixed; boundary="outer"\r\n\r\n')
    w.text("--outer\r\n")
    if args.nested:
        w.text('Content-Type: multipart/alternative; boundary="alt"\r\n\r\n--alt\r\n')
    w.text("Content-Type: text/plain; charset=utf-8\r\n\r\n" + args.note + "\r\n")
    if args.nested:
        w.text("--alt\r\nContent-Type: text/html\r\n\r\n<p>" + args.note + "</p>\r\n--alt--\r\n")
        w.text('--outer\r\nContent-Type: multipart/mixed; boundary="inner"\r\n\r\n')
    boundary = "inner" if args.nested else "outer"
    last = attachments.pop() if args.attached_message else None
    for path, name, style in attachments:
        w.attachment(boundary, path, name, style)
    if args.nested:
        w.text("--inner--\r\n")
    if last:
        w.text("--outer\r\nContent-Type: message/rfc822\r\n\r\n"
               "From: someone@example.org\r\nSubject: forwarded\r\nMIME-Version: 1.0\r\n"
               'Content-Type: multipart/mixed; boundary="fwd"\r\n\r\n'
               "--fwd\r\nContent-Type: text/plain\r\n\r\nnot the note\r\n")
        w.attachment("fwd", *last)
        w.text("--fwd--\r\n")
    w.text("--outer--\r\n")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("maildir")
    p.add_argument("--unique", required=True)
    p.add_argument("--mtime", type=float, default=None)
    p.add_argument("--into", choices=("cur", "new"), default="cur")
    p.add_argument("--seen", action="store_true")
    p.add_argument("--from", dest="sender", default="Player <player@example.org>")
    p.add_argument("--subject", default="orders")
    p.add_argument("--message-id", default=None)
    p.add_argument("--note", default="My orders.")
    p.add_argument("--attach", action="append", default=[])
    p.add_argument("--nested", action="store_true")
    p.add_argument("--attached-message", action="store_true")
    p.add_argument("--damage", choices=("broken64", "truncated"))
    p.add_argument("--damaged", type=int, default=1)
    p.add_argument("--owner-of")
    args = p.parse_args()
    attachments = []
    for attachment in args.attach:
        parts = attachment.split(":")
        attachments.append((parts[0], parts[1], parts[2] if len(parts) > 2 else "plain"))
    tmp = os.path.join(args.maildir, "tmp", args.unique)
    with open(tmp, "wb") as out:
        w = Writer(out, args.damage, args.damaged)
        w.text(f"From: {args.sender}\r\nTo: host@example.org\r\nSubject: {args.subject}\r\n"
               "Date: Mon, 4 Dec 2023 10:00:00 +0000\r\n")
        if args.message_id:
            w.text(f"Message-ID: {args.message_id}\r\n")
        w.text("MIME-Version: 1.0\r\n")
        try:
            write_body(w, args, attachments)
        except EOFError:
            pass
    stamp = args.mtime if args.mtime is not None else time.time()
    os.utime(tmp, (stamp, stamp))
    if args.owner_of:
        st = os.stat(args.owner_of)
        os.chown(tmp, st.st_uid, st.st_gid)
    suffix = ":2,S" if args.seen else (":2," if args.into == "cur" else "")
    os.rename(tmp, os.path.join(args.maildir, args.into, args.unique + suffix))


if __name__ == "__main__":
    main()
