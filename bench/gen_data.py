# Writes the input files of the regex and csv benchmarks into bench/data/
# (CP932, LF line ends). Deterministic, so every run sees the same data.
import os

here = os.path.dirname(os.path.abspath(__file__))
data = os.path.join(here, "data")
os.makedirs(data, exist_ok=True)

PLACES = ["東京都", "大阪府", "京都府", "北海道", "福岡県", "愛知県", "沖縄県"]
FAMILY = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"]
GIVEN = ["太郎", "花子", "一郎", "陽子", "健太", "美咲", "翔", "由美子", "大輔", "直子", "誠"]


def write(name, lines):
    path = os.path.join(data, name)
    with open(path, "w", encoding="cp932", newline="\n") as f:
        f.write("".join(lines))


def text_lines(n):
    for i in range(1, n + 1):
        yield (f"{PLACES[i % 7]}{i % 50 + 1}丁目{i}番地の{FAMILY[i % 10]}{GIVEN[i % 11]}さんは、"
               f"{1990 + i % 30}年{i % 12 + 1}月に旅行しました。\n")


def table_lines(n):
    yield "番号,名前,点数\n"
    for i in range(1, n + 1):
        score = (i * 7919) % 1001
        yield f"{i},{FAMILY[(i * 7) % 10]}{GIVEN[(i * 3) % 11]},{score}\n"


write("regex.txt", text_lines(155000))   # about 10 MB
write("table.csv", table_lines(100000))
