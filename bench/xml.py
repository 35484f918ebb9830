# The XML benchmark's Python side: reads the 5 MB catalogue with
# xml.etree and prints what bench/xml.nkr prints: the number of titles and
# the bytes of all of them as CP932 lines (one reading, one query each).
#   python3 xml.py        the benchmark itself
#   python3 xml.py gen    writes data/books.xml (CP932) and data/books-utf8.xml
# pyexpat cannot read multi-byte encodings, so the text is decoded first;
# XML_UTF8=1 reads the UTF-8 copy instead (expat's fastest path).
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
# This file's own name hides the xml package: look it up elsewhere.
sys.path = [p for p in sys.path if os.path.abspath(p or ".") != here]
import xml.etree.ElementTree as ET  # noqa: E402
data = os.path.join(here, "data")


def generate():
    os.makedirs(data, exist_ok=True)
    words = ["表示", "能力", "ソフト", "日本語", "文書", "解析", "速度", "試験"]
    out = ['<?xml version="1.0" encoding="Shift_JIS"?>\n<catalog>\n']
    i = size = 0
    while size < 4_300_000:  # characters: about 5 MB in CP932
        w = [words[(i * 7 + k) % len(words)] for k in range(4)]
        out.append('  <book id="b%d" lang="ja" price="%d">\n'
                   '    <title>%sの%s 第%d巻</title>\n'
                   '    <author>著者%d</author>\n'
                   '    <summary>%sと%sについての本。%s</summary>\n'
                   '    <tags><tag>%s</tag><tag>%s</tag></tags>\n'
                   '  </book>\n' % (i, 1000 + i % 3000, w[0], w[1], i, i % 500, w[2], w[3],
                                    "長い説明文。" * (i % 5), w[0], w[3]))
        size += len(out[-1])
        i += 1
    out.append("</catalog>\n")
    text = "".join(out)
    with open(os.path.join(data, "books.xml"), "wb") as f:
        f.write(text.encode("cp932"))
    with open(os.path.join(data, "books-utf8.xml"), "wb") as f:
        f.write(text.replace("Shift_JIS", "UTF-8").encode("utf-8"))


def run():
    if os.environ.get("XML_UTF8"):
        root = ET.parse(os.path.join(data, "books-utf8.xml")).getroot()
    else:
        with open(os.path.join(data, "books.xml"), "rb") as f:
            root = ET.fromstring(f.read().decode("cp932"))
    found = root.findall("book/title")
    titles = "\r\n".join(t.text.strip() for t in found)
    print(len(found))
    print(len(titles.encode("cp932")))


if len(sys.argv) > 1 and sys.argv[1] == "gen":
    generate()
else:
    run()
