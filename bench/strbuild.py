parts = []
for i in range(1, 200001):
    parts.append(f"{i}行目のテキストです。東京都\n")
text = "".join(parts)
print(text.count("東京"))
