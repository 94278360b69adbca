#!/usr/bin/python3
"""A real SMTP server on loopback for tests and benchmarks (python3-aiosmtpd).

Usage: smtp_server.py --mail-dir DIR [options]

  --port N              port on 127.0.0.1 to listen on; 0 (default) picks a free one
  --port-file FILE      write the port actually bound to FILE (written atomically once
                        listening); the port is also printed as "PORT <n>" on stdout
  --cert FILE --key FILE  PEM certificate and key for TLS
  --starttls            offer STARTTLS (needs --cert/--key) and require it before MAIL
  --implicit-tls        TLS from the first byte, as for smtps:// (needs --cert/--key)
  --auth-user U --auth-password P
                        offer AUTH PLAIN/LOGIN and require it before MAIL; AUTH is offered
                        on a plain connection too when neither TLS option is given
  --auth-mechanism M    offer only AUTH mechanism M (PLAIN or LOGIN)
  --echo-auth           refuse every logon with a 535 that quotes what the client sent
                        (the AUTH line and its continuation lines), as a careless server does
  --refuse-recipient A  answer RCPT TO:<A> with 550 (repeatable)
  --max-size N          advertise SIZE N and refuse bigger messages with 552
  --reject-data         answer every message's end of data with 554
  --drop-after-data     close the connection without answering the end of data
  --silent-after-data   never answer the end of data (keeps the connection open)
  --mute                accept connections but never say anything, not even the greeting
  --close-after N       close each connection right after accepting its Nth message
  --revoke-auth-after N answer MAIL with 530 once a connection has sent N messages
  --hang-up-on-mail-after N
                        close the connection, without a reply, on the first MAIL that
                        comes after the connection has sent N messages

Every accepted message is stored whole, as received, in DIR/0001.eml, DIR/0002.eml, ...
DIR/server.log gets one line per event, flushed at once:
  CONNECT <conn>            a client connected (connections are numbered from 1)
  CMD <conn> <VERB> [<arg>] a command; AUTH is logged without its argument
  MESSAGE <conn> <file> <mail-from> <rcpt>[,<rcpt>...]
  CLOSE <conn>              the connection ended
The server runs until it is terminated (SIGTERM/SIGINT).
"""

import argparse
import asyncio
import base64
import os
import signal
import ssl
import sys

from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword


class Recorder:
    """Numbers connections and messages and writes the log and the .eml files."""

    def __init__(self, mail_dir):
        self.mail_dir = mail_dir
        self.log_file = open(os.path.join(mail_dir, "server.log"), "a", encoding="utf-8")
        self.connections = 0
        self.messages = 0

    def log(self, line):
        self.log_file.write(line + "\n")
        self.log_file.flush()

    def new_connection(self):
        self.connections += 1
        self.log(f"CONNECT {self.connections}")
        return self.connections

    def store(self, conn, envelope):
        self.messages += 1
        name = f"{self.messages:04d}.eml"
        path = os.path.join(self.mail_dir, name)
        with open(path + ".part", "wb") as out:
            out.write(envelope.original_content)
        os.replace(path + ".part", path)
        self.log(f"MESSAGE {conn} {name} {envelope.mail_from} {','.join(envelope.rcpt_tos)}")


def hang_up(server):
    """Closes the connection as a mail server does: after TLS's close notice it
    drops the socket without waiting for the client's answer, which asyncio
    would otherwise await for half a minute."""
    server.transport.close()
    server.loop.call_later(0.2, server.transport.abort)


class Handler:
    def __init__(self, options, recorder):
        self.options = options
        self.recorder = recorder

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        limit = self.options.hang_up_on_mail_after
        if limit is not None and server.accepted >= limit:
            hang_up(server)
            return "421 closing"
        limit = self.options.revoke_auth_after
        if limit is not None and server.accepted >= limit:
            return "530 5.7.0 Authentication required"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.options.refuse_recipient:
            return f"550 5.1.1 <{address}>: Recipient address rejected"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.options.silent_after_data:
            await asyncio.sleep(24 * 3600)
        if self.options.drop_after_data:
            hang_up(server)
            return "421 closing"
        if self.options.reject_data:
            return "554 5.7.1 Message rejected by policy"
        self.recorder.store(server.conn, envelope)
        server.accepted += 1
        if self.options.close_after and server.accepted >= self.options.close_after:
            server.loop.call_later(0.05, hang_up, server)
        return "250 2.0.0 Message accepted"


class EchoingAuthHandler(Handler):
    """Refuses every logon and quotes the client's base64 back in the refusal."""

    async def auth_PLAIN(self, server, args):
        blob = args[1] if len(args) > 1 else await self._raw_response(server, b"")
        return self._refuse(f"AUTH PLAIN {blob}")

    async def auth_LOGIN(self, server, args):
        user = args[1] if len(args) > 1 else await self._raw_response(server, b"Username:")
        password = await self._raw_response(server, b"Password:")
        return self._refuse(f"AUTH LOGIN {user} {password}")

    @staticmethod
    async def _raw_response(server, challenge):
        decoded = await server.challenge_auth(challenge)
        return "" if decoded is MISSING else base64.b64encode(decoded).decode()

    @staticmethod
    def _refuse(quoted):
        return AuthResult(success=False, handled=False,
                          message=f"535 5.7.8 Authentication failed: {quoted}")


def make_authenticator(options):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == options.auth_user
              and auth_data.password.decode() == options.auth_password)
        return AuthResult(success=ok, handled=False)
    return authenticate


class MuteServer(asyncio.Protocol):
    """Takes every connection and never answers, like a server that hangs."""

    def __init__(self, recorder):
        self.recorder = recorder

    def connection_made(self, transport):
        self.recorder.new_connection()


class LoggingSMTP(SMTP):
    """aiosmtpd's server with every connection and command written to the log."""

    def __init__(self, recorder, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.recorder = recorder
        self.conn = None
        self.accepted = 0
        self._smtp_methods = {verb: self._logged(verb, method)
                              for verb, method in self._smtp_methods.items()}

    def _logged(self, verb, method):
        async def call(arg):
            shown = "" if verb == "AUTH" or not arg else " " + arg
            self.recorder.log(f"CMD {self.conn} {verb}{shown}")
            return await method(arg)
        return call

    def connection_made(self, transport):
        if self.conn is None:
            self.conn = self.recorder.new_connection()
        super().connection_made(transport)

    def connection_lost(self, error):
        if self.transport is not None:
            self.recorder.log(f"CLOSE {self.conn}")
        super().connection_lost(error)


def tls_context(options):
    if not (options.cert and options.key):
        sys.exit("smtp_server.py: TLS needs --cert and --key")
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(options.cert, options.key)
    return context


def parse_options():
    parser = argparse.ArgumentParser(description="SMTP server for tests")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--mail-dir", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--starttls", action="store_true")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--auth-user")
    parser.add_argument("--auth-password")
    parser.add_argument("--auth-mechanism", choices=["PLAIN", "LOGIN"])
    parser.add_argument("--echo-auth", action="store_true")
    parser.add_argument("--refuse-recipient", action="append", default=[])
    parser.add_argument("--max-size", type=int)
    parser.add_argument("--reject-data", action="store_true")
    parser.add_argument("--drop-after-data", action="store_true")
    parser.add_argument("--silent-after-data", action="store_true")
    parser.add_argument("--mute", action="store_true")
    parser.add_argument("--close-after", type=int)
    parser.add_argument("--revoke-auth-after", type=int)
    parser.add_argument("--hang-up-on-mail-after", type=int)
    options = parser.parse_args()
    options.refuse_recipient = [a.lower() for a in options.refuse_recipient]
    return options


def server_factory(options, recorder):
    context = tls_context(options) if options.starttls or options.implicit_tls else None
    use_auth = options.auth_user is not None
    handler = (EchoingAuthHandler if options.echo_auth else Handler)(options, recorder)
    excluded = [m for m in ("PLAIN", "LOGIN")
                if options.auth_mechanism and m != options.auth_mechanism]

    def factory():
        return LoggingSMTP(
            recorder, handler,
            hostname="localhost",
            data_size_limit=options.max_size,
            tls_context=context if options.starttls else None,
            require_starttls=options.starttls,
            authenticator=make_authenticator(options) if use_auth else None,
            auth_required=use_auth,
            auth_exclude_mechanism=excluded,
            # Under implicit TLS aiosmtpd does not see the TLS layer, so it must
            # not insist on seeing it before AUTH.
            auth_require_tls=options.starttls)
    return factory, context if options.implicit_tls else None


async def serve(options):
    os.makedirs(options.mail_dir, exist_ok=True)
    recorder = Recorder(options.mail_dir)
    factory, implicit_context = server_factory(options, recorder)
    if options.mute:
        factory = lambda: MuteServer(recorder)  # noqa: E731
    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, "127.0.0.1", options.port, ssl=implicit_context)
    port = server.sockets[0].getsockname()[1]
    if options.port_file:
        with open(options.port_file + ".part", "w", encoding="ascii") as out:
            out.write(f"{port}\n")
        os.replace(options.port_file + ".part", options.port_file)
    print(f"PORT {port}", flush=True)
    stop = asyncio.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signum, stop.set)
    async with server:
        await stop.wait()


if __name__ == "__main__":
    import logging
    import warnings
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    asyncio.run(serve(parse_options()))
