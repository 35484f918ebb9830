#!/usr/bin/python3
"""Scrambled value files, merged files and packed programs, checked against
an independent reader and writer written here from the format's description.

Usage: cipher_test.py NOKARI. Exits 1 on the first failed case."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

NOKARI = os.path.abspath(sys.argv[1])
SEED = 0x3B9AC9D5
DEFAULT_KEY = "ヨbクロd58ね3Q?ぬ".encode("cp932")
ENTRY_KEY = "<てき#ばみ＝?>>>".encode("cp932")
VALUE_KEY = "船舶7qwERT9#?5港62サgHメX~?ゾ".encode("cp932")


def keystream():
    mt = [SEED & 0x7FFFFFFF]
    for _ in range(623):
        mt.append(((mt[-1] & 0xFF) * 69069) & 0xFFFFFFFF)
    while True:
        for k in range(624):
            y = (mt[k] & 0x80000000) | (mt[(k + 1) % 624] & 0x7FFFFFFF)
            mt[k] = mt[(k + 397) % 624] ^ (y >> 1) ^ (0x9908B0DF if y & 1 else 0)
        for k in range(624):
            y = mt[k]
            y ^= y >> 11
            y ^= (y << 7) & 0x9D2C5680
            y ^= (y << 15) & 0xEFC60000
            y ^= y >> 18
            yield (y & 0xFFFFFFFF) >> 24


def scramble(data, key):
    key = key or DEFAULT_KEY
    ks = keystream()
    return bytes(b ^ key[i % len(key)] ^ next(ks) for i, b in enumerate(data))


def build_mix(entries):
    """entries: (name bytes, data bytes, flag)."""
    head = 11 + 265 * len(entries)
    records, blobs, offset = b"", b"", head
    for name, data, flag in entries:
        if flag == 1:
            data = scramble(data, ENTRY_KEY)
        records += name.ljust(256, b"\0") + struct.pack("<IIB", offset, len(data), flag)
        blobs += data
        offset += len(data)
    return b"fMix" + struct.pack("<BHI", 1, len(entries), head + len(blobs)) + records + blobs


def read_mix(blob):
    assert blob[:4] == b"fMix" and blob[4] == 1, blob[:8]
    n, total = struct.unpack("<HI", blob[5:11])
    assert total == len(blob), (total, len(blob))
    out = {}
    for i in range(n):
        r = blob[11 + 265 * i: 11 + 265 * (i + 1)]
        name = r[:256].split(b"\0")[0]
        offset, size, flag = struct.unpack("<IIB", r[256:265])
        data = blob[offset:offset + size]
        out.setdefault(name, scramble(data, ENTRY_KEY) if flag == 1 else data)
    return out


failures = 0
work = tempfile.mkdtemp(prefix="nokari-cipher-")


def run(args, cwd=work, env=None):
    full_env = dict(os.environ, TMPDIR=os.path.join(work, "tmp"), QT_QPA_PLATFORM="offscreen")
    full_env.update(env or {})
    p = subprocess.run(args, cwd=cwd, capture_output=True, timeout=60, env=full_env)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def script(text, *extra):
    path = os.path.join(work, "t.nkr")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return run([NOKARI, "-console", "-security", "low", path, *extra])


def case(name):
    def wrap(fn):
        global failures
        try:
            fn()
            print("ok   " + name)
        except AssertionError as err:
            failures += 1
            print("FAIL %s: %s" % (name, err))
        return fn
    return wrap


def check(cond, what):
    if not cond:
        raise AssertionError(what)


os.makedirs(os.path.join(work, "tmp"))


@case("value files: byte-exact both ways, empty value, damaged length")
def _():
    code, out, err = script("「秘密のメモ」を、「v.dat」へ、暗号化して保存\n「」を、「e.dat」へ、暗号化して保存\n")
    check(code == 0, err)
    blob = open(os.path.join(work, "v.dat"), "rb").read()
    value = "秘密のメモ".encode("cp932")
    check(blob == scramble(struct.pack("<I", len(value)) + value, VALUE_KEY), blob.hex())
    check(os.path.getsize(os.path.join(work, "e.dat")) == 0, "an empty value is an empty file")
    mine = "外から書いた値".encode("cp932")
    open(os.path.join(work, "p.dat"), "wb").write(scramble(struct.pack("<I", len(mine)) + mine, VALUE_KEY))
    code, out, err = script("Sに、「p.dat」を、暗号解除して読込\nSを、表示\nTに、「e.dat」を、暗号解除して読込\n「[{T}]」を、表示\n")
    check((code, out) == (0, "外から書いた値\n[]\n"), (code, out, err))
    open(os.path.join(work, "bad.dat"), "wb").write(scramble(struct.pack("<I", 1000) + b"abc", VALUE_KEY))
    code, out, err = script("Sに、「bad.dat」を、暗号解除して読込\n「続き」を、表示\n")
    check(code == 1 and "bad.dat" in err and "続き" not in out, (code, out, err))


@case("merged files: written as described, read back, names case-blind, first of equals wins")
def _():
    open(os.path.join(work, "a.txt"), "wb").write("中身A".encode("cp932"))
    open(os.path.join(work, "b.txt"), "wb").write(b"plain\0after zero")
    code, out, err = script("「a.txt=表/x.txt=1\nb.txt,b.bin,0」を、「m.mix」へ、ファイル合成\n"
                            "「m.mix」から、「表/X.TXT」を、合成ファイル取り出す\nそれを、表示\n"
                            "「m.mix」から、「B.Bin」を、合成ファイル取り出す\nそれを、表示\n")
    check((code, out) == (0, "中身A\nplain\n"), (code, out, err))
    entries = read_mix(open(os.path.join(work, "m.mix"), "rb").read())
    check(entries == {"表/X.TXT".encode("cp932"): "中身A".encode("cp932"), b"B.BIN": b"plain\0after zero"}, entries)
    # A list without "=" stores each file under its own name, plain.
    code, out, err = script("「a.txt\nb.txt」を、「n.mix」へ、ファイル合成\n")
    check(set(read_mix(open(os.path.join(work, "n.mix"), "rb").read())) == {b"A.TXT", b"B.TXT"}, err)
    open(os.path.join(work, "dup.mix"), "wb").write(
        build_mix([(b"K.TXT", b"first", 1), (b"K.TXT", b"second", 0), ("表".encode("cp932"), b"jp", 0)]))
    code, out, err = script("「dup.mix」から、「k.txt」を、合成ファイル取り出す\nそれを、表示\n"
                            "「dup.mix」から、「表」を、合成ファイル取り出す\nそれを、表示\n")
    check((code, out) == (0, "first\njp\n"), (code, out, err))
    code, out, err = script("「dup.mix」から、「無い.txt」を、合成ファイル取り出す\n")
    check(code == 1 and "ファイル\"無い.txt\"が、ありません。" in err, err)


@case("damaged containers give the header message, never a crash")
def _():
    good = build_mix([(b"A", b"x" * 10, 0)])
    bad = {
        "notmix": b"PK\3\4" + b"\0" * 40,
        "huge_count": b"fMix" + struct.pack("<BHI", 1, 0xFFFF, 100) + b"\0" * 89,
        "past_end": good[:11] + good[11:11 + 256] + struct.pack("<IIB", 280, 10, 0) + good[11 + 265:],
        "huge_size": good[:11] + good[11:11 + 256] + struct.pack("<IIB", 276, 0xFFFFFFF0, 0) + good[11 + 265:],
        "truncated": good[:100],
        "no_nul": good[:11] + b"N" * 256 + good[11 + 256:],
    }
    for name, blob in bad.items():
        open(os.path.join(work, name + ".mix"), "wb").write(blob)
        code, out, err = script("「%s.mix」から、「A」を、合成ファイル取り出す\n" % name)
        check(code == 1 and "TFileMixHeaderでは形式が違うため読めません" in err, (name, code, err))


def pack(base, output, *files):
    return run([base, "--pack", output, *files])


@case("packed programs: run alone, with -run, with -runtime, from a stripped base")
def _():
    prog_dir = os.path.join(work, "prog")
    os.makedirs(prog_dir)
    src = os.path.join(work, "main.nkr")
    with open(src, "w", encoding="utf-8") as f:
        f.write("「詰めた」を、表示\nコマンドライン引数を、表示\nSに、「data.txt」を、読む\nSを、表示\n")
    open(os.path.join(work, "data.txt"), "wb").write("データ".encode("cp932"))
    code, _, err = pack(NOKARI, os.path.join(prog_dir, "app"), src, os.path.join(work, "data.txt"))
    check(code == 0, err)
    app = os.path.join(prog_dir, "app")
    check(os.stat(app).st_mode & 0o777 == 0o755, oct(os.stat(app).st_mode))
    code, out, err = run([app, "a", "-console", "b"], cwd=work)
    check((code, out) == (0, "詰めた\n%s\na\nb\nデータ\n" % app), (code, out, err))
    code, out, err = run([app, "-run", "-console"], cwd=work)
    check((code, out) == (0, ""), (code, out, err))
    code, out, err = run([NOKARI, "-console", "-runtime", app, "x"], cwd=work)
    check((code, out) == (0, "詰めた\n%s\nx\nデータ\n" % app), (code, out, err))
    code, out, err = run([NOKARI, "-console", "-runtime", src], cwd=work)
    check(code == 1 and "壊れています" in err, (code, err))
    if shutil.which("strip"):
        stripped = os.path.join(work, "nokari-stripped")
        shutil.copy(NOKARI, stripped)
        subprocess.run(["strip", stripped], check=True)
        code, _, err = pack(stripped, os.path.join(prog_dir, "small"), src, os.path.join(work, "data.txt"))
        check(code == 0, err)
        code, out, err = run([os.path.join(prog_dir, "small"), "-console"], cwd=work)
        check(code == 0 and "データ" in out, (code, out, err))
    check(os.listdir(os.path.join(work, "tmp")) == [], "the private folder must be gone after exit")


@case("packed files: folder names flattened, extracted once, damage reported")
def _():
    image = open(NOKARI, "rb").read()
    base = os.path.join(work, "base")
    code, _, err = pack(NOKARI, base, os.path.join(work, "main.nkr"))
    blob = open(base, "rb").read()
    end = len(blob) - struct.unpack("<I", blob[blob.rfind(b"fMix") + 7: blob.rfind(b"fMix") + 11])[0]
    image = blob[:end]
    script_bytes = ("Sに、『sub\\a.txt』を、読む\nSを、表示\nTに、『SUB\\A.TXT』を、読む\nTを、表示\n"
                    "「lib.nkr」を、取り込む\n").encode("cp932")
    prog = os.path.join(work, "flat")
    lib = "「取り込んだ」を、表示\n".encode("cp932")
    open(prog, "wb").write(image + build_mix([(b"NOKARI.NKR", script_bytes, 1), (b"SUB\\A.TXT", b"inner", 0),
                                              (b"LIB.NKR", lib, 1)]))
    os.chmod(prog, 0o755)
    code, out, err = run([prog, "-console"])
    check((code, out) == (0, "inner\ninner\n取り込んだ\n"), (code, out, err))
    # -resource: a merged file by itself lends its files to any script.
    open(os.path.join(work, "res.mix"), "wb").write(build_mix([(b"R.TXT", "資源".encode("cp932"), 1)]))
    code, out, err = run([NOKARI, "-console", "-resource", os.path.join(work, "res.mix"), "-e",
                          "Sに、「r.txt」を、読む。Sを、表示"])
    check((code, out) == (0, "資源\n"), (code, out, err))
    code, out, err = run([NOKARI, "-console", "-resource", os.path.join(work, "data.txt"), "-e", "「x」を、表示"])
    check(code == 1 and "リソースファイルの取り込みに失敗しました。" in err, (code, err))
    check(os.listdir(os.path.join(work, "tmp")) == [], "extracted files must be removed")
    # A container whose records point past its end is damage, not "none".
    damaged = build_mix([(b"NOKARI.NKR", script_bytes, 0)])
    damaged = damaged[:11 + 256] + struct.pack("<IIB", 5000, 10, 0) + damaged[11 + 265:]
    open(prog, "wb").write(image + damaged)
    code, out, err = run([prog, "-console"])
    check(code == 1 and "ファイルの展開に失敗しました。" in err, (code, err))
    # Cut short, the size field no longer fits: an ordinary program again.
    open(prog, "wb").write(image + build_mix([(b"NOKARI.NKR", script_bytes, 1)])[:-3])
    code, out, err = run([prog, "-console", "-e", "「普通」を、表示"])
    check((code, out) == (0, "普通\n"), (code, out, err))


@case("-runtime reads a PE program's image end from its own optional-header size")
def _():
    def pe(opt_size, raw_offset, raw_size):
        dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 64)
        head = b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, 1, 0, 0, 0, opt_size, 0x22)
        section = b".text\0\0\0" + struct.pack("<IIIIIIHHI", raw_size, 0x1000, raw_size, raw_offset, 0, 0, 0, 0, 0)
        body = dos + head + b"\0" * opt_size + section
        return body.ljust(raw_offset, b"\0") + b"\xcc" * raw_size
    script_bytes = "「PEから」を、表示\n".encode("cp932")
    for opt_size in (224, 240):
        exe = os.path.join(work, "prog%d.exe" % opt_size)
        open(exe, "wb").write(pe(opt_size, 512, 300) + build_mix([(b"NOKARI.NKR", script_bytes, 1)]))
        code, out, err = run([NOKARI, "-console", "-runtime", exe])
        check((code, out) == (0, "PEから\n"), (opt_size, code, out, err))


shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
