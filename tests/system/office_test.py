"""The エクセル and ワード commands against LibreOffice through the office
helper (tools/nokari-office): cells written as typed and read back, the
workbook saved as xlsx and as CP932 CSV (bytes compared), reopened, a
macro run; a text document with bookmarks set, text inserted, saved as
docx and read back; and the failures: missing files, no office
installed, a 1 MB cell, the helper killed in the middle.

The main script does everything with one office start and ends by
waiting for a line of input, during which the test kills the helper; the
commands after it must fail at once with the message. A second, short
script closes both applications (the office goes), starts again and ends
with a workbook open (the office goes with the script).
"""
import contextlib
import os
import re
import signal
import subprocess
import sys
import time
import zipfile

from peers import Checks, run_script, skip, workdir

NOKARI = sys.argv[1]
INSTALL = "apt-get install libreoffice-calc-nogui libreoffice-writer-nogui python3-uno"


def office_installed():
    import importlib.util
    return os.access("/usr/bin/soffice", os.X_OK) or os.access("/usr/lib/libreoffice/program/soffice", os.X_OK), \
        importlib.util.find_spec("uno") is not None


# A spreadsheet with a Basic macro and a text document with two bookmarks
# (one around text, one a point), written as flat ODF: plain XML that the
# office opens like any document.
FODS = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:script="urn:oasis:names:tc:opendocument:xmlns:script:1.0" xmlns:ooo="http://openoffice.org/2004/office"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:scripts><office:script script:language="ooo:Basic"><ooo:libraries>
  <ooo:library-embedded ooo:name="Standard"><ooo:module ooo:name="Module1"><ooo:source-code>Function Twice()
  ThisComponent.Sheets(0).getCellByPosition(0,0).setValue(42)
  Twice = &quot;done&quot;
End Function
</ooo:source-code></ooo:module></ooo:library-embedded>
 </ooo:libraries></office:script></office:scripts>
 <office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-row><table:table-cell/>
 </table:table-row></table:table></office:spreadsheet></office:body>
</office:document>
"""
FODT = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:body><office:text>
  <text:p>前文 <text:bookmark-start text:name="宛名"/>XXXX<text:bookmark-end text:name="宛名"/> 様</text:p>
  <text:p>二段落<text:bookmark text:name="点"/>目</text:p>
 </office:text></office:body>
</office:document>
"""

# Each 表示 line is checked in order; エラーを無視 lets the failures through
# into エラーメッセージ, compared by their reason (reason() below).
MAIN = r"""エラーを無視
値=「」
エクセル起動
「0,0」を、「12」に、エクセル設定
「1,0」を、「日本語テキスト」に、エクセル設定
「2,0」を、「007」に、エクセル設定
「3,0」を、「=A1*2+C1」に、エクセル設定
「0,1」を、『a,b"c』に、エクセル設定
「1,1」を、「0.1」に、エクセル設定
「C2」を、「'007」に、エクセル設定
「3,0」を、値に、エクセル得る
「D1={値}」を、表示
「2,0」を、値に、エクセル得る
「C1={値}」を、表示
「1,0」を、値に、エクセル得る
「B1={値}」を、表示
「C2」を、値に、エクセル得る
「C2={値}」を、表示
「1,1」を、値に、エクセル得る
「B2={値}」を、表示
「9,9」を、値に、エクセル得る
「J10=[{値}]」を、表示
「a.xlsx」へ、エクセル保存
「a.csv」へ、エクセルCSV形式保存
「csv.txt」へ、エクセルCSV形式保存
「security.ini」へ、エクセルCSV形式保存
「x」を、値に、エクセル得る
エラーメッセージを、表示
「a.bin」へ、エクセル保存
エラーメッセージを、表示
「無い.xlsx」を、エクセル開く
エラーメッセージを、表示
「0,0」を、未定義に、エクセル得る
エラーメッセージを、表示
大=「abcdefghij」
17回
  大=大&大
ここまで
「0,5」を、大に、エクセル設定
「0,5」を、値に、エクセル得る
「大={バイト数(値)}/{バイト数(大)}」を、表示
「a.xlsx」を、エクセル開く
「3,0」を、値に、エクセル得る
「再びD1={値}」を、表示
「m.fods」を、エクセル開く
「Twice」を、エクセルマクロ実行
「マクロ={それ}」を、表示
「0,0」を、値に、エクセル得る
「A1={値}」を、表示
「Nope」を、エクセルマクロ実行
エラーメッセージを、表示
エクセル印刷
ワード起動
「一行目\n二行目」を、ワード文字挿入
ワード本文を得る
それを、表示
「b.fodt」を、ワード開く
「宛名」を、「山田太郎」に、ワードブックマーク設定
「点」を、「ここ」に、ワードブックマーク設定
「無い」を、「x」に、ワードブックマーク設定
エラーメッセージを、表示
「挿入」を、ワード文字挿入
「b.docx」へ、ワード保存
「b.docx」を、ワード開く
ワード本文を得る
それを、表示
「宛名」を、「再び」に、ワードブックマーク設定
「c.odt」へ、ワード保存
「a.xlsx」を、ワード開く
エラーメッセージを、表示
「準備完了」を、表示
「続けますか」と、尋ねる
「0,0」を、「1」に、エクセル設定
エラーメッセージを、表示
ワード本文を得る
エラーメッセージを、表示
"""

MAIN_EXPECTED = [
    "D1=31",
    "C1=7",
    "B1=日本語テキスト",
    "C2=007",
    "B2=0.1",
    "J10=[]",
    "このプログラムは、\"security.ini\"を、操作出来ません！",
    "Excelのエラー。セル\"x\"が正しくありません。「列,行」（0から数える）か「A1」の形で指定してください。",
    "Excelのエラー。ファイル\"a.bin\"は、この拡張子では保存できません。拡張子は .xlsx .xlsm .xls .ods .csv .pdf のどれかにしてください。",
    "Excelのエラー。ファイル\"無い.xlsx\"が見つかりません。",
    "単語\"未定義\"は、定義されていません。",
    "大=1310720/1310720",
    "再びD1=31",
    "マクロ=done",
    "A1=42",
    "Excelのエラー。マクロ\"Nope\"が見つかりません。",
    "一行目",
    "二行目",
    "Wordのエラー。ブックマーク\"無い\"がありません。",
    "挿入前文 山田太郎 様",
    "二段落ここ目",
    "Wordのエラー。ファイル\"a.xlsx\"は、この種類の文書として開けません。",
    "準備完了",
    # after the helper was killed
    "Excelのエラー。補助プログラムが応答の前にシグナル9で終了しました。",
    "Wordのエラー。「ワード起動」の前には使えません。",
]

# What the office writes for the first two rows: CP932, text quoted.
CSV_EXPECTED = '12,"日本語テキスト",7,31\n"a,b""c",0.1,"007",\n'.encode("cp932")


def reason(line):
    """An error line's own message: what follows its last "file(N行目): "."""
    return line.rsplit("): ", 1)[1] if line.startswith("[エラー]") and "): " in line else line


def children_of(pid):
    """Process ids whose parent is pid."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        if int(stat.rsplit(")", 1)[1].split()[1]) == pid:
            found.append(int(entry))
    return found


def processes_mentioning(text):
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    if text.encode() in f.read():
                        found.append(int(entry))
            except OSError:
                pass
    return found


def office_pipes():
    return {n for n in os.listdir("/tmp") if n.startswith("OSL_PIPE_%d_" % os.getuid())}


def remove_dead_pipes(names):
    """An office killed with its helper leaves its pipe sockets in /tmp
    (the office puts them there whatever TMPDIR says). Those nobody
    listens on any more are removed, so the test leaves nothing behind."""
    import socket
    for name in names:
        path = os.path.join("/tmp", name)
        with socket.socket(socket.AF_UNIX) as s:
            try:
                s.connect(path)
                continue
            except ConnectionRefusedError:
                pass
            except OSError:
                continue
        with contextlib.suppress(OSError):
            os.unlink(path)


def run_main(folder, checks):
    # The helper's profile folder is made under TMPDIR: here, so the test
    # can see that it is removed and that no office runs from it.
    tmp = os.path.join(folder, "tmp")
    os.mkdir(tmp)
    env = dict(os.environ, NOKARI_PRINT_PDF=os.path.join(folder, "print.pdf"), TMPDIR=tmp,
               XDG_CONFIG_HOME=os.path.join(folder, "config"))
    with open(os.path.join(folder, "t.nkr"), "w", encoding="utf-8") as f:
        f.write(MAIN)
    proc = subprocess.Popen([NOKARI, "-console", "t.nkr"], cwd=folder, env=env, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    lines = []
    try:
        deadline = time.time() + 240
        while time.time() < deadline:
            line = proc.stdout.readline()
            if not line:
                break
            lines.append(line.decode("utf-8", "replace").rstrip("\n"))
            if lines[-1] == "準備完了":
                break
        helpers = children_of(proc.pid)
        checks.equal("one helper", len(helpers), 1)
        for pid in helpers:
            os.kill(pid, signal.SIGKILL)
        started = time.time()
        out, err = proc.communicate("はい\n".encode("utf-8"), timeout=60)
        checks.true("the commands after the kill fail at once", time.time() - started < 10)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    lines += out.decode("utf-8", "replace").splitlines()
    lines = [reason(line) for line in lines]
    for i, expected in enumerate(MAIN_EXPECTED):
        got = lines[i] if i < len(lines) else "(nothing)"
        checks.equal("line %d" % (i + 1), got, expected)
    checks.equal("lines", len(lines), len(MAIN_EXPECTED))
    checks.equal("exit status", proc.returncode, 0)
    if proc.returncode != 0:
        print(err.decode("utf-8", "replace"))
    # The helper's group is gone with the office in it, and so is its
    # profile folder.
    checks.equal("profile folders left", [n for n in os.listdir(tmp) if n.startswith("nokari-office")], [])
    checks.equal("offices left", processes_mentioning(tmp), [])


# Both applications share one office, which goes when both are closed;
# a script that ends with a workbook open takes its office with it.
ENDING = """エラーを無視
エクセル起動
ワード起動
エクセル終了
「残る」を、ワード文字挿入
ワード本文を得る
それを、表示
ワード終了
ワード本文を得る
エラーメッセージを、表示
エクセル起動
「0,0」を、「1」に、エクセル設定
「終わり」を、表示
"""


def run_ending(folder, checks):
    tmp = os.path.join(folder, "tmp2")
    os.mkdir(tmp)
    started = time.time()
    code, out, err = run_script(NOKARI, folder, ENDING, env={"TMPDIR": tmp})
    print("ending script: %.1f s" % (time.time() - started))
    checks.equal("ending: output", [reason(line) for line in out.splitlines()],
                 ["残る", "Wordのエラー。「ワード起動」の前には使えません。", "終わり"])
    checks.equal("ending: status", code, 0)
    checks.equal("ending: profile folders left", [n for n in os.listdir(tmp) if n.startswith("nokari-office")], [])
    checks.equal("ending: offices left", processes_mentioning(tmp), [])


def check_files(folder, checks):
    def read(name):
        try:
            with open(os.path.join(folder, name), "rb") as f:
                return f.read()
        except OSError:
            return b""
    checks.equal("a.csv", read("a.csv"), CSV_EXPECTED)
    checks.equal("CSV under any extension", read("csv.txt"), CSV_EXPECTED)
    checks.true("a printed PDF", read("print.pdf").startswith(b"%PDF"))
    checks.true("security.ini refused", not os.path.exists(os.path.join(folder, "security.ini")))
    checks.true("no lock files", not [n for n in os.listdir(folder) if n.startswith(".~lock")])
    # The saved files read by zipfile alone: the formula is kept as a
    # formula, the text as the office wrote it.
    try:
        with zipfile.ZipFile(os.path.join(folder, "a.xlsx")) as z:
            sheet = z.read("xl/worksheets/sheet1.xml").decode("utf-8")
            strings = z.read("xl/sharedStrings.xml").decode("utf-8")
        checks.true("xlsx keeps the formula", re.search(r"<f[^>]*>A1\*2\+C1</f>", sheet) is not None)
        checks.true("xlsx holds the text", "日本語テキスト" in strings)
    except (OSError, KeyError, zipfile.BadZipFile) as exc:
        checks.true("a.xlsx readable: %s" % exc, False)
    try:
        with zipfile.ZipFile(os.path.join(folder, "c.odt")) as z:
            content = z.read("content.xml").decode("utf-8")
        text = re.sub(r"<[^>]+>", "", content)
        checks.true("c.odt holds the bookmark's new text", "挿入前文 再び 様" in text)
        checks.true("c.odt keeps the bookmark", 'text:name="宛名"' in content)
    except (OSError, KeyError, zipfile.BadZipFile) as exc:
        checks.true("c.odt readable: %s" % exc, False)


def check_without_office(checks):
    """Failures that need no office start: no office, no helper (the
    commands before 起動 are tests/scripts/office/before_start.nkr)."""
    with workdir() as folder:
        # No office: the helper says so, and the message says what to install.
        code, out, err = run_script(NOKARI, folder, "エクセル起動\n",
                                    env={"NOKARI_SOFFICE": os.path.join(folder, "no-soffice")})
        checks.equal("no office: status", code, 1)
        checks.true("no office: what to install (calc) in %r" % err,
                    "Excelのエラー。LibreOfficeが使えません。「sudo apt-get install libreoffice-calc-nogui python3-uno」" in err)
        code, out, err = run_script(NOKARI, folder, "ワード起動\n",
                                    env={"NOKARI_SOFFICE": os.path.join(folder, "no-soffice")})
        checks.true("no office: what to install (writer) in %r" % err,
                    "Wordのエラー。LibreOfficeが使えません。「sudo apt-get install libreoffice-writer-nogui python3-uno」" in err)
        code, out, err = run_script(NOKARI, folder, "エクセル起動\n",
                                    env={"NOKARI_OFFICE_HELPER": os.path.join(folder, "no-helper")})
        checks.true("no helper in %r" % err, "Excelのエラー。補助プログラム\"" in err and "no-helper" in err)


def main():
    soffice, uno = office_installed()
    if not soffice or not uno:
        skip("LibreOffice not installed (%s)" % INSTALL)
    checks = Checks()
    check_without_office(checks)
    with workdir() as folder:
        with open(os.path.join(folder, "m.fods"), "w", encoding="utf-8") as f:
            f.write(FODS)
        with open(os.path.join(folder, "b.fodt"), "w", encoding="utf-8") as f:
            f.write(FODT)
        pipes = office_pipes()
        try:
            started = time.time()
            run_main(folder, checks)
            print("main script: %.1f s" % (time.time() - started))
            run_ending(folder, checks)
        finally:
            remove_dead_pipes(office_pipes() - pipes)
        check_files(folder, checks)
    checks.done()


if __name__ == "__main__":
    main()
