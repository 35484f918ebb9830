"""A packed program starting one of its own packed scripts (起動 and
起動して終了まで待機): the second Nokari runs that script, not the packed
program's main script again, and reads the packed files through the
container lent to it (-resource); nothing is left in the temporary folder."""
import os
import subprocess
import sys

from peers import Checks, workdir

nokari = os.path.abspath(sys.argv[1])
checks = Checks()

with workdir() as folder:
    tmp = os.path.join(folder, "tmp")
    os.makedirs(tmp)
    files = {
        "main.nkr": "「child.nkr」を、起動して終了まで待機\n"
                    "「child.nkr」を、起動\n"
                    "2秒、待つ\n"
                    "「親」を、表示\n",
        "child.nkr": "Sに、「data.txt」を、読む\n「子:{S}」を、表示\n",
        "data.txt": "データ",
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(text.encode("cp932"))
    app = os.path.join(folder, "app")
    proc = subprocess.run([nokari, "--pack", app] + [os.path.join(folder, n) for n in files],
                          capture_output=True, timeout=60)
    checks.equal("pack", proc.returncode, 0)
    # The program runs elsewhere: the files beside the scripts are not there.
    away = os.path.join(folder, "away")
    os.makedirs(away)
    env = dict(os.environ, TMPDIR=tmp)
    proc = subprocess.run([app, "-console"], cwd=away, env=env, capture_output=True, timeout=60)
    out = proc.stdout.decode("utf-8", "replace")
    checks.equal("output", (proc.returncode, out), (0, "子:データ\n子:データ\n親\n"))
    checks.equal("errors", proc.stderr.decode("utf-8", "replace"), "")
    checks.equal("temporary folder afterwards", os.listdir(tmp), [])

checks.done()
