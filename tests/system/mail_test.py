"""Mail against real peers: メール送信 to an aiosmtpd sink writing a
Maildir, that very message then served by dovecot's POP3 and fetched with
メール受信. Every stored file is compared; deletion on and off; the
failure messages; hostile attachment names; a closed port, a silent peer
and peers that hang up halfway (small fake peers on free ports)."""
import email
import email.policy
import email.utils
import os
import shutil
import socket
import sys
import threading
import time
from datetime import timezone

from peers import Checks, free_port, need_modules, need_programs, peer, run_script, skip, wait_port, workdir

NOKARI = os.path.abspath(sys.argv[1])
need_programs("/usr/sbin/dovecot")
need_modules("aiosmtpd")
checks = Checks()
ENV = {"TZ": "UTC", "NOKARI_MAIL_TIMEOUT": "3"}

FROM_NAME = "山田 太郎"
SUBJECT = '会議の"お知らせ" テスト'
BODY = "こんにちは。\n会議は１０時からです。\nabc\\def\n.\n以上"
REPORT1 = "第一の報告".encode("cp932")
REPORT2 = "第二の報告\r\n".encode("cp932")
DATA = bytes(range(256)) * 40


def script(lines):
    return "\n".join(lines) + "\n"


def mail_vars(host, to="hanako@example.jp", body=BODY, files=()):
    text = [
        "メールホストは、「%s」" % host,
        "メール送信元は、「taro@example.jp」",
        "メール送信者名は、「%s」" % FROM_NAME,
        "メール送信先は、「花子 <%s>; jiro@example.jp」" % to if to else "メール送信先は、「」",
        "メールCCは、「cc1@example.jp\ncc2@example.jp」",
        "メールBCCは、「hidden@example.jp」",
        "メールタイトルは、『%s』" % SUBJECT,
        "メール本文は、『%s』" % body,
        "メール添付ファイルは、「%s」" % "\n".join(files),
    ]
    return text


def run(folder, lines, env=None):
    full = dict(ENV)
    full.update(env or {})
    return run_script(NOKARI, folder, script(lines), env=full, timeout=120)


# --- SMTP ----------------------------------------------------------------------

def send_and_check(w):
    """Sends the sample mail; returns the Maildir message's bytes."""
    os.makedirs(os.path.join(w, "one"))
    os.makedirs(os.path.join(w, "two"))
    with open(os.path.join(w, "one", "報告.txt"), "wb") as f:
        f.write(REPORT1)
    with open(os.path.join(w, "two", "報告.txt"), "wb") as f:
        f.write(REPORT2)
    with open(os.path.join(w, "data.bin"), "wb") as f:
        f.write(DATA)
    port = free_port()
    box = os.path.join(w, "smtp")
    with peer(["/usr/bin/python3", "-m", "aiosmtpd", "-n", "-l", "127.0.0.1:%d" % port,
               "-c", "aiosmtpd.handlers.Mailbox", box], port=port):
        files = ["one/報告.txt", "data.bin", "two/報告.txt"]
        status, out, err = run(w, mail_vars("127.0.0.1:%d" % port, files=files) + ["メール送信", "「送った」を、表示"])
        checks.equal("send status", (status, out.strip()), (0, "送った"))
        if status:
            print(err)
        deadline = time.time() + 10
        new = os.path.join(box, "new")
        while time.time() < deadline and not (os.path.isdir(new) and os.listdir(new)):
            time.sleep(0.1)
    names = os.listdir(new) if os.path.isdir(new) else []
    checks.equal("messages in the Maildir", len(names), 1)
    if not names:
        checks.done()
    with open(os.path.join(new, names[0]), "rb") as f:
        raw = f.read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    checks.equal("Subject", str(msg["Subject"]), SUBJECT.replace('"', "”"))
    checks.equal("From", (msg["From"].addresses[0].display_name, msg["From"].addresses[0].addr_spec),
                 (FROM_NAME, "taro@example.jp"))
    checks.equal("Reply-To", str(msg["Reply-To"]), "taro@example.jp")
    checks.equal("To", [(a.display_name, a.addr_spec) for a in msg["To"].addresses],
                 [("花子", "hanako@example.jp"), ("", "jiro@example.jp")])
    checks.equal("Cc", [a.addr_spec for a in msg["Cc"].addresses], ["cc1@example.jp", "cc2@example.jp"])
    checks.equal("no Bcc header", msg["Bcc"], None)
    checks.true("Bcc is nowhere in the text", b"hidden@" not in raw.split(b"X-RcptTo")[0])
    checks.equal("envelope", sorted(msg["X-RcptTo"].split(", ")),
                 sorted(["hanako@example.jp", "jiro@example.jp", "cc1@example.jp", "cc2@example.jp",
                         "hidden@example.jp"]))
    checks.equal("envelope sender", msg["X-MailFrom"], "taro@example.jp")
    checks.equal("X-Mailer", str(msg["X-Mailer"]), "日本語プログラム言語「のかり」")
    checks.equal("MIME-Version", msg["MIME-Version"], "1.0")
    date = email.utils.parsedate_to_datetime(msg["Date"])
    checks.true("Date is now: %s" % msg["Date"], abs(time.time() - date.timestamp()) < 120)
    checks.true("Message-ID: %s" % msg["Message-ID"],
                msg["Message-ID"].startswith("<") and msg["Message-ID"].endswith("@example.jp>"))
    checks.equal("content type", msg.get_content_type(), "multipart/mixed")
    parts = list(msg.iter_parts())
    checks.equal("parts", len(parts), 4)
    if len(parts) == 4:
        text = parts[0]
        checks.equal("body charset", (text.get_content_type(), text.get_content_charset()),
                      ("text/plain", "iso-2022-jp"))
        checks.equal("body transfer", text["Content-Transfer-Encoding"], "7bit")
        checks.equal("body", text.get_content(), BODY + "\n")
        for part, (name, data) in zip(parts[1:], [("報告.txt", REPORT1), ("data.bin", DATA), ("報告.txt", REPORT2)]):
            checks.equal("attachment name", part.get_filename(), name)
            checks.equal("attachment " + name, part.get_content(), data)
            checks.equal("attachment encoding", part["Content-Transfer-Encoding"], "base64")
    return raw


# --- POP3 -----------------------------------------------------------------------

class Dovecot:
    def __init__(self, w):
        self.root = os.path.join(w, "pop")
        self.port = free_port()
        self.maildir = os.path.join(self.root, "home", "user", "Maildir")
        for sub in ("new", "cur", "tmp"):
            os.makedirs(os.path.join(self.maildir, sub))
        os.makedirs(os.path.join(self.root, "run"))
        conf = os.path.join(self.root, "dovecot.conf")
        with open(conf, "w") as f:
            f.write("""protocols = pop3
listen = 127.0.0.1
base_dir = {r}/run
log_path = {r}/log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login
mail_location = maildir:~/Maildir
passdb {{
  driver = passwd-file
  args = {r}/passwd
}}
userdb {{
  driver = static
  args = uid=mail gid=mail home={r}/home/%u
}}
first_valid_uid = 8
service pop3-login {{
  inet_listener pop3 {{
    address = 127.0.0.1
    port = {p}
  }}
}}
""".format(r=self.root, p=self.port))
        with open(os.path.join(self.root, "passwd"), "w") as f:
            f.write("user:{PLAIN}secret\n")
        self.args = ["/usr/sbin/dovecot", "-F", "-c", conf]
        self.own(self.root)
        for folder in (w, self.root):
            os.chmod(folder, 0o755)

    def own(self, path):
        if os.getuid() != 0:
            return
        shutil.chown(path, "mail", "mail")
        for top, dirs, files in os.walk(path):
            for n in dirs + files:
                shutil.chown(os.path.join(top, n), "mail", "mail")

    def put(self, name, raw):
        path = os.path.join(self.maildir, "new", name)
        with open(path, "wb") as f:
            f.write(raw)
        self.own(path)

    def count(self):
        return sum(len(os.listdir(os.path.join(self.maildir, s))) for s in ("new", "cur"))

    def clear(self):
        for s in ("new", "cur"):
            for n in os.listdir(os.path.join(self.maildir, s)):
                os.remove(os.path.join(self.maildir, s, n))


def receive_lines(port, folder, delete, user="user", password="secret"):
    return [
        "メールホストは、「127.0.0.1:%d」" % port,
        "メールIDは、「%s」" % user,
        "メールパスワードは、「%s」" % password,
        "メールサーバーから削除は、「%s」" % delete,
        "「%s」へ、メール受信" % folder,
        "「受けた」を、表示",
    ]


def files_of(folder):
    out = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            out[name] = f.read()
    return out


def expected_summary(raw, names):
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    when = email.utils.parsedate_to_datetime(msg["Date"]).astimezone(timezone.utc)
    lines = [
        "返信先:taro@example.jp",
        "送信者:%s <taro@example.jp>" % FROM_NAME,
        "受信者:花子 <hanako@example.jp>, jiro@example.jp",
        "日時:" + when.strftime("%Y/%m/%d %H:%M:%S"),
        "件名:" + SUBJECT.replace('"', "”"),
    ] + ["添付ファイル:" + n for n in names]
    body = BODY.replace("\n", "\r\n") + "\r\n"
    return ("\r\n".join(lines) + "\r\n本文:\r\n\r\n" + body).encode("cp932")


def receive_and_compare(w, dove, raw):
    dove.put("1.sent", raw)
    served = raw.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    status, out, err = run(w, receive_lines(dove.port, "受信", 0))
    checks.equal("receive status", (status, out.strip(), err), (0, "受けた", ""))
    got = files_of(os.path.join(w, "受信"))
    checks.equal("stored names", sorted(got), sorted(["00000001.txt", "00000001.eml", "報告.txt", "_報告.txt",
                                                       "data.bin"]))
    checks.equal(".eml bytes", got.get("00000001.eml"), served)
    checks.equal(".txt layout", got.get("00000001.txt", b"").decode("cp932", "replace"),
                 expected_summary(raw, ["報告.txt", "data.bin", "報告.txt"]).decode("cp932"))
    checks.equal("first 報告.txt", got.get("報告.txt"), REPORT1)
    checks.equal("second as _報告.txt", got.get("_報告.txt"), REPORT2)
    checks.equal("data.bin", got.get("data.bin"), DATA)
    checks.equal("kept on the server (削除 0)", dove.count(), 1)

    # Again into the same folder: the next free numbers, "_" once more.
    status, out, err = run(w, receive_lines(dove.port, "受信", 1))
    checks.equal("second receive", (status, out.strip()), (0, "受けた"))
    got = files_of(os.path.join(w, "受信"))
    for name in ["00000002.txt", "00000002.eml", "__報告.txt", "_data.bin"]:
        checks.true("second receive stored " + name, name in got)
    checks.equal("deleted on the server (削除 1)", dove.count(), 0)
    # An empty mailbox stores nothing.
    status, out, err = run(w, receive_lines(dove.port, "空", 1))
    checks.equal("empty mailbox", (status, out.strip(), os.listdir(os.path.join(w, "空"))), (0, "受けた", []))


HOSTILE = b"""From: x@example.jp\r
To: y@example.jp\r
Subject: names\r
Date: Tue, 05 Mar 2024 09:04:05 +0900\r
MIME-Version: 1.0\r
Content-Type: multipart/mixed; boundary=zz\r
\r
--zz\r
Content-Type: text/plain\r
\r
hello\r
--zz\r
Content-Type: application/octet-stream; name="../escape1"\r
Content-Transfer-Encoding: base64\r
\r
MQ==\r
--zz\r
Content-Type: application/octet-stream\r
Content-Disposition: attachment; filename="/tmp/escape2"\r
\r
2\r
--zz\r
Content-Type: application/octet-stream\r
Content-Disposition: attachment; filename*=utf-8''a%00b%2F..%2F..%2Fescape3\r
\r
3\r
--zz\r
Content-Type: application/octet-stream\r
Content-Disposition: attachment; filename="=?utf-8?B?Li4vLi4vZXNjYXBlNA==?="\r
\r
4\r
--zz\r
Content-Type: application/octet-stream\r
Content-Disposition: attachment; filename=".."\r
\r
5\r
--zz\r
Content-Type: application/octet-stream\r
Content-Disposition: attachment; filename="SECURITY.INI"\r
\r
6\r
--zz--\r
"""


def hostile_names(w, dove):
    dove.clear()
    dove.put("2.hostile", HOSTILE)
    status, out, err = run(w, receive_lines(dove.port, "box/in", 1))
    checks.equal("hostile receive", (status, out.strip(), err), (0, "受けた", ""))
    got = files_of(os.path.join(w, "box", "in"))
    checks.equal("hostile names", sorted(got), sorted(["00000001.txt", "00000001.eml", "escape1", "escape2",
                                                       "escape3", "escape4", "attachment", "_SECURITY.INI"]))
    checks.equal("escape3 content", got.get("escape3"), b"3")
    for name in ["escape1", "escape2", "escape3", "escape4"]:
        checks.true("nothing outside: " + name, not os.path.exists(os.path.join(w, name))
                    and not os.path.exists(os.path.join(w, "box", name)) and not os.path.exists("/tmp/" + name))
    # A folder outside the script's folder, nobody to ask: silently refused.
    outside = os.path.join(os.path.dirname(w), "nokari-mail-outside-%d" % os.getpid())
    dove.put("3.again", HOSTILE)
    status, out, err = run(w, receive_lines(dove.port, outside, 1))
    checks.equal("outside folder refused", (status, out.strip(), os.path.exists(outside)), (0, "受けた", False))
    checks.equal("refused receive leaves the mail", dove.count(), 1)
    dove.clear()


# --- Failures --------------------------------------------------------------------

def expect_error(w, what, lines, text, env=None, forbid=None):
    start = time.time()
    status, out, err = run(w, lines, env)
    checks.equal(what + ": status", status, 1)
    checks.true("%s: %r in %r" % (what, text, err), text in err)
    if forbid:
        checks.true("%s: %r must not show" % (what, forbid), forbid not in err and forbid not in out)
    return time.time() - start


class FakePeer(threading.Thread):
    """A one-shot TCP peer: `talk(conn)` runs for each connection."""

    def __init__(self, talk):
        super().__init__(daemon=True)
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(5)
        self.port = self.sock.getsockname()[1]
        self.talk = talk
        self.start()

    def run(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            with conn:
                try:
                    self.talk(conn)
                except OSError:
                    pass

    def close(self):
        self.sock.close()


def lines_of(conn):
    buf = b""
    while True:
        data = conn.recv(4096)
        if not data:
            return
        buf += data
        while b"\r\n" in buf:
            line, buf = buf.split(b"\r\n", 1)
            yield line


def pop3_closing(conn, listing=b"1 5000"):
    conn.sendall(b"+OK ready\r\n")
    for line in lines_of(conn):
        cmd = line.split(b" ")[0].upper()
        if cmd == b"LIST":
            conn.sendall(b"+OK\r\n" + listing + b"\r\nnot a line\r\n.\r\n")
        elif cmd == b"RETR":
            conn.sendall(b"+OK\r\nSubject: half\r\n\r\n" + b"x" * 100)
            return  # hangs up halfway through the message
        elif cmd == b"CAPA":
            conn.sendall(b"-ERR no\r\n")
        else:
            conn.sendall(b"+OK\r\n")


def smtp_closing(conn):
    conn.sendall(b"220 hello\r\n")
    for line in lines_of(conn):
        cmd = line.split(b" ")[0].upper()
        if cmd == b"DATA":
            conn.sendall(b"354 go\r\n")
            conn.recv(10)
            return  # hangs up in the middle of the message
        conn.sendall(b"250 ok\r\n")


def silent(conn):
    time.sleep(30)


def smtp_refusing(step, reply):
    """An SMTP peer that answers `reply` to the command `step` (MAIL, RCPT
    or "." after DATA) and 250 to everything else."""
    def talk(conn):
        conn.sendall(b"220 hello\r\n")
        in_data = False
        for line in lines_of(conn):
            cmd = b"." if in_data and line == b"." else line.split(b" ")[0].upper()
            if in_data and cmd != b".":
                continue
            in_data = False
            if cmd == step:
                conn.sendall(reply + b"\r\n")
            elif cmd == b"DATA":
                in_data = True
                conn.sendall(b"354 go\r\n")
            elif cmd == b"QUIT":
                conn.sendall(b"221 bye\r\n")
                return
            else:
                conn.sendall(b"250 ok\r\n")
    return talk


def server_words(w):
    """A refusal carries the server's explanation after its code."""
    for step, reply, expected in (
            (b"RCPT", b"550 5.1.1 User unknown", "送信に失敗。RCPT failed: 550 5.1.1 User unknown"),
            (b"MAIL", b"530 5.7.0 Authentication required", "送信に失敗。MAIL failed: 530 5.7.0 Authentication required"),
            (b".", b"452 4.3.1 Insufficient system storage", ": 452 4.3.1 Insufficient system storage")):
        fake = FakePeer(smtp_refusing(step, reply))
        expect_error(w, "SMTP refuses %s" % step.decode(), mail_vars("127.0.0.1:%d" % fake.port) + ["メール送信"],
                     expected)
        fake.close()


def smtp_login(w):
    """メールID and メールパスワード log in where the server asks for it; the
    password never shows in an error."""
    import logging
    import warnings
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult
    # Plain AUTH is what this test wants: no warnings about it.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)

    class Keep:
        def __init__(self):
            self.mails = []

        async def handle_DATA(self, server, session, envelope):
            self.mails.append((bool(session.authenticated), envelope.mail_from))
            return "250 OK"

    def check(server, session, envelope, mechanism, data):
        ok = (data.login, data.password) == (b"taro", b"pa55-word")
        return AuthResult(success=ok, handled=False)  # handled=False: the server answers 535 itself

    keep = Keep()
    port = free_port()
    server = Controller(keep, hostname="127.0.0.1", port=port, authenticator=check, auth_required=True,
                        auth_require_tls=False)
    server.start()
    try:
        host = "127.0.0.1:%d" % port
        status, out, err = run(w, mail_vars(host) + ["メールIDは、「taro」", "メールパスワードは、「pa55-word」",
                                                     "メール送信", "「送った」を、表示"])
        checks.equal("login: sent", (status, out.strip(), err), (0, "送った", ""))
        checks.equal("login: the server saw the login", keep.mails, [(True, "taro@example.jp")])
        expect_error(w, "login: wrong password", mail_vars(host) + ["メールIDは、「taro」", "メールパスワードは、「wrong-77」",
                                                                     "メール送信"],
                     "535 5.7.8 Authentication credentials invalid", forbid="wrong-77")
        expect_error(w, "login: none given", mail_vars(host) + ["メール送信"], "530")
        checks.equal("login: nothing else arrived", len(keep.mails), 1)
    finally:
        server.stop()
    # A server that offers a login without asking for one still takes the
    # mail when メールID (set for POP3) is no login there.
    keep.mails.clear()
    port = free_port()
    server = Controller(keep, hostname="127.0.0.1", port=port, authenticator=check, auth_require_tls=False)
    server.start()
    try:
        status, out, err = run(w, mail_vars("127.0.0.1:%d" % port) + ["メールIDは、「pop-user」", "メールパスワードは、「x」",
                                                                       "メール送信", "「送った」を、表示"])
        checks.equal("login refused, not needed: sent", (status, out.strip(), err), (0, "送った", ""))
        checks.equal("login refused, not needed: arrived without it", keep.mails, [(False, "taro@example.jp")])
    finally:
        server.stop()


def failures(w):
    host_free = "127.0.0.1:%d" % free_port()  # nothing listens there
    base = mail_vars(host_free)
    expect_error(w, "empty host", mail_vars("") + ["メール送信"], "メールの送信エラー。ホスト名が未設定です。")
    expect_error(w, "empty recipient", mail_vars(host_free, to="") + ["メール送信"], "メールの送信エラー。送信先が未設定です。")
    expect_error(w, "empty body", mail_vars(host_free, body="") + ["メール送信"], "メールの送信エラー。本文が未設定です。")
    expect_error(w, "missing attachment", mail_vars(host_free, files=["nosuch.txt"]) + ["メール送信"],
                 'メールの送信エラー。添付ファイル"nosuch.txt"がありません。')
    expect_error(w, "bad host", mail_vars("a@b/c") + ["メール送信"], 'ホスト名"a@b/c"が正しくありません。')
    expect_error(w, "closed port (send)", base + ["メール送信"], "メールの送信エラー。接続に失敗")
    expect_error(w, "closed port (receive)", receive_lines(int(host_free.split(":")[1]), "r1", 0, password="pw-9876"),
                 "メールの受信エラー。", forbid="pw-9876")
    expect_error(w, "no user id", receive_lines(1, "r1", 0, user=""), "メールの受信エラー。ユーザーＩＤが未設定です。")
    expect_error(w, "no password", receive_lines(1, "r1", 0, password=""), "メールの受信エラー。パスワードが未設定です。")
    no_host = receive_lines(1, "r1", 0)
    no_host[0] = "メールホストは、「」"
    expect_error(w, "no host (receive)", no_host, "メールの受信エラー。ホスト名が未設定です。")

    pop = FakePeer(pop3_closing)
    expect_error(w, "POP3 peer hangs up", receive_lines(pop.port, "half", 1),
                 "メールの受信エラー。1番のメール受信に失敗しました。")
    checks.equal("nothing stored from a broken mail", os.listdir(os.path.join(w, "half")), [])
    pop.close()
    huge = FakePeer(lambda conn: pop3_closing(conn, b"1 99999999999"))
    expect_error(w, "a mail above the size limit", receive_lines(huge.port, "huge", 1),
                 "メールの受信エラー。1番のメールは大きすぎます(上限 67108864 バイト)。")
    checks.equal("nothing stored from a huge mail", os.listdir(os.path.join(w, "huge")), [])
    huge.close()
    smtp = FakePeer(smtp_closing)
    expect_error(w, "SMTP peer hangs up", mail_vars("127.0.0.1:%d" % smtp.port) + ["メール送信"],
                 "メールの送信エラー。送信に失敗。")
    smtp.close()
    quiet = FakePeer(silent)
    took = expect_error(w, "silent SMTP peer", mail_vars("127.0.0.1:%d" % quiet.port) + ["メール送信"],
                        "メールの送信エラー。")
    checks.true("silent peer ends with the time-out (%.1fs)" % took, took < 20)
    took = expect_error(w, "silent POP3 peer", receive_lines(quiet.port, "r2", 0), "メールの受信エラー。")
    checks.true("silent POP3 peer ends with the time-out (%.1fs)" % took, took < 20)
    quiet.close()


def wrong_password(w, dove):
    expect_error(w, "wrong password", receive_lines(dove.port, "r3", 0, password="bad-pass-4321"),
                 "メールの受信エラー。", forbid="bad-pass-4321")


with workdir() as w:
    raw = send_and_check(w)
    dove = Dovecot(w)
    try:
        with peer(dove.args, port=dove.port):
            receive_and_compare(w, dove, raw)
            hostile_names(w, dove)
            wrong_password(w, dove)
    except RuntimeError as fault:
        skip("dovecot cannot run here: %s" % fault)
    failures(w)
    server_words(w)
    smtp_login(w)
checks.done()
