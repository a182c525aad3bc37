#!/usr/bin/env python3
"""A real SMTP server on loopback for the mail tests.

Listens on 127.0.0.1 at a port the system picks and prints "PORT <n>" once ready. Each
message it accepts is written to the folder as <n>.json: the envelope, the content as
received (base64) and the fields as a mail reader decodes them. The commands that open and
close sessions go to session.log. The server ends by itself after --lifetime seconds.
"""
import argparse
import asyncio
import base64
import email
import email.policy
import json
import os
import socket
import sys

from aiosmtpd.smtp import SMTP


class Handler:
    def __init__(self, folder, reject_rcpt, no_ehlo):
        self.folder = folder
        self.reject_rcpt = reject_rcpt
        self.no_ehlo = no_ehlo
        self.count = 0

    def log(self, line):
        with open(os.path.join(self.folder, "session.log"), "a") as f:
            f.write(line + "\n")

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.log("EHLO " + hostname)
        if self.no_ehlo:
            return ["502 5.5.2 Error: command not recognized"]
        session.host_name = hostname
        return responses

    async def handle_HELO(self, server, session, envelope, hostname):
        self.log("HELO " + hostname)
        session.host_name = hostname
        return "250 " + server.hostname

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.reject_rcpt and self.reject_rcpt in address:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_RSET(self, server, session, envelope):
        self.log("RSET")
        return "250 OK"

    async def handle_QUIT(self, server, session, envelope):
        self.log("QUIT")
        return "221 Bye"

    async def handle_DATA(self, server, session, envelope):
        content = envelope.content
        msg = email.message_from_bytes(content, policy=email.policy.default)
        defects = [str(d) for d in msg.defects]
        for name, value in msg.items():
            defects += ["%s: %s" % (name, d) for d in getattr(value, "defects", ())]
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "content": base64.b64encode(content).decode("ascii"),
            "subject": str(msg.get("subject", "")),
            "from": str(msg.get("from", "")),
            "to": str(msg.get("to", "")),
            "date": str(msg.get("date", "")),
            "message_id": str(msg.get("message-id", "")),
            "content_type": msg.get_content_type(),
            "charset": msg.get_content_charset() or "",
            "body": msg.get_content(),
            "defects": defects,
        }
        self.count += 1
        path = os.path.join(self.folder, "%d.json" % self.count)
        with open(path + ".tmp", "w") as f:
            json.dump(record, f)
        os.replace(path + ".tmp", path)
        return "250 OK: queued as %d" % self.count


async def serve(args):
    handler = Handler(args.folder, args.reject_rcpt, args.no_ehlo)
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", 0))
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="stockmere.test"), sock=sock)
    print("PORT %d" % sock.getsockname()[1], flush=True)
    async with server:
        await asyncio.sleep(args.lifetime)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--reject-rcpt", default="")
    parser.add_argument("--no-ehlo", action="store_true")
    parser.add_argument("--lifetime", type=float, default=120)
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    sys.exit(main())
