# The same drawing with Pillow: 100,000 lines of width 2, then 10,000
# lines of text (not smoothed, IPA Gothic at 16 px) on a 640 x 400 picture.
import sys
from PIL import Image, ImageDraw, ImageFont

what = sys.argv[1]
image = Image.new("RGB", (640, 400), (255, 255, 255))
draw = ImageDraw.Draw(image)
if what == "lines":
    for i in range(1, 100001):
        draw.line([(i % 640, i % 400), ((i * 7) % 640, (i * 13) % 400)], fill=(255, 0, 0), width=2)
    print(image.getpixel((320, 200)))
else:
    draw.fontmode = "1"
    font = ImageFont.truetype("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", 16)
    for i in range(1, 10001):
        draw.text((10, (i % 20) * 18 + 10), f"行{i}の文字", font=font, fill=(0, 0, 0))
