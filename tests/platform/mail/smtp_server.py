# A real SMTP server on 127.0.0.1 for the mail tests. Prints its port, then stores every message it
# accepts, decoded by Python's own mail parser, as <folder>/<n>.json with its attachments beside it.
# Accepts the login "despacho"/"secreto" only; refuses recipients at "nadie.invalid".
# With "starttls CERT KEY" it offers STARTTLS and takes nothing before it; with "tls CERT KEY" it
# speaks TLS from the first byte. "stall-greeting" takes connections and never says a word;
# "stall-data" takes the whole message and never answers it.
# Ends when its standard input closes, or after a minute at most.
import warnings
warnings.simplefilter("ignore")
import logging
logging.disable(logging.CRITICAL)
import asyncio, email, email.policy, json, os, ssl, sys
from aiosmtpd.smtp import SMTP, AuthResult

folder = sys.argv[1]
mode = sys.argv[2] if len(sys.argv) > 2 else "none"
context = None
if mode in ("starttls", "tls"):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(sys.argv[3], sys.argv[4])
count = 0

class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.endswith("@nadie.invalid"):
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        global count
        if mode == "stall-data":
            await asyncio.sleep(3600)
        count += 1
        msg = email.message_from_bytes(envelope.original_content or envelope.content, policy=email.policy.default)
        body = msg.get_body(preferencelist=("plain",))
        files = []
        for i, part in enumerate(msg.iter_attachments()):
            path = os.path.join(folder, "%d-%d.bin" % (count, i))
            with open(path, "wb") as f:
                f.write(part.get_payload(decode=True))
            files.append({"name": part.get_filename(), "path": path})
        out = {"from": envelope.mail_from, "rcpt": envelope.rcpt_tos, "subject": str(msg["subject"]),
               "to": str(msg["to"] or ""), "cc": str(msg["cc"] or ""), "bcc_header": msg["bcc"] is not None,
               "body": body.get_content() if body else None, "attachments": files,
               "ack": str(msg["disposition-notification-to"] or "")}
        with open(os.path.join(folder, "%d.json" % count), "w", encoding="utf-8") as f:
            json.dump(out, f, ensure_ascii=False)
        return "250 Message accepted"

def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == b"despacho" and auth_data.password == "secreto".encode()
    return AuthResult(success=ok, handled=False)

async def main():
    loop = asyncio.get_running_loop()
    if mode == "stall-greeting":
        factory = asyncio.Protocol
    elif mode == "starttls":
        factory = lambda: SMTP(Handler(), tls_context=context, require_starttls=True, auth_require_tls=True,
                               authenticator=authenticator)
    else:
        factory = lambda: SMTP(Handler(), auth_require_tls=False, authenticator=authenticator)
    srv = await loop.create_server(factory, "127.0.0.1", 0, ssl=context if mode == "tls" else None)
    print(srv.sockets[0].getsockname()[1], flush=True)
    done = loop.create_future()
    loop.add_reader(sys.stdin.fileno(), lambda: done.done() or (sys.stdin.buffer.read1(1) or done.set_result(None)))
    try:
        await asyncio.wait_for(done, 60)
    except asyncio.TimeoutError:
        pass
    srv.close()

asyncio.run(main())
