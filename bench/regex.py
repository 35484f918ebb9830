import os
import re

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "regex.txt")
with open(path, encoding="cp932", newline="") as f:
    text = f.read()
result = re.sub(r"([0-9]+)丁目([0-9]+)番地", r"\1-\2", text)
print(len(result))
print(len(result.encode("cp932")))
