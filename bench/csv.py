import os

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "table.csv")
# plain split: the data has no quoted cells (and this file's name hides
# the csv module)
with open(path, encoding="cp932", newline="") as f:
    rows = [line.split(",") for line in f.read().splitlines()]
header, data = rows[0], rows[1:]
print(len(data))
# ascending and stable: ties stay in id order; the top scores are at the end
ordered = sorted(data, key=lambda r: float(r[2]))
for r in (ordered[0], ordered[-1], ordered[-2], ordered[-3]):
    print(",".join(r))
print(sum(1 for r in data if float(r[2]) >= 900 and r[1].startswith("佐藤")))
print(sum(1 for r in data if "子" in r[1]))
print(next((i + 1 for i, r in enumerate(data) if r[1] == "高橋誠"), -1))
print(sum(int(r[2]) for r in data))
