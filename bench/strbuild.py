def main():
    text = ""
    for i in range(1, 200001):
        text += f"{i}行目のテキストです。東京都\n"
    print(text.count("東京"))


main()
