#!/usr/bin/python3
"""The image filters of bench/image.sh done by Pillow on the same picture.

  image.py PICTURE FILTER [N]  loads PICTURE, applies FILTER N times (a
                               name as in image.sh; "none" only loads).
  image.py --make PICTURE    writes the 4000 x 3000 test picture.
"""
import sys

from PIL import Image, ImageFilter, ImageOps


def make(path):
    # Smooth colour ramps with a fine pattern, so no filter meets a flat picture.
    w, h = 4000, 3000
    r = Image.linear_gradient("L").resize((w, h))
    g = r.transpose(Image.Transpose.ROTATE_90).resize((w, h))
    b = Image.effect_noise((w, h), 64)
    Image.merge("RGB", (r, g, b)).save(path)


def table(f):
    return [max(0, min(255, int(f(v)))) for v in range(256)] * 3


FILTERS = {
    "none": lambda im: im,
    "垂直反転": lambda im: im.transpose(Image.Transpose.FLIP_TOP_BOTTOM),
    "水平反転": lambda im: im.transpose(Image.Transpose.FLIP_LEFT_RIGHT),
    "右回転": lambda im: im.transpose(Image.Transpose.ROTATE_270),
    "ネガポジ反転": ImageOps.invert,
    "グレイスケール変換": lambda im: ImageOps.grayscale(im).convert("RGB"),
    "ソラリゼーション": lambda im: im.point(table(lambda v: min(v, 255 - v))),
    "明るさ補正": lambda im: im.point(table(lambda v: v + 40)),
    "ガンマ補正": lambda im: im.point(table(lambda v: round(255 * (v / 255) ** (1.5 / 2.2)))),
    # 画像平面回転 keeps the picture's size (the turned picture is clipped).
    "画像平面回転": lambda im: im.rotate(30, fillcolor="white"),
    "画像回転": lambda im: im.rotate(30, fillcolor="white"),
    "画像エッジ検出": lambda im: im.filter(ImageFilter.Kernel((3, 3), [1, 1, 1, 1, -8, 1, 1, 1, 1], 1)),
    "画像ボカシ": lambda im: im.filter(ImageFilter.BoxBlur(3)),
    "画像シャープ": lambda im: im.filter(ImageFilter.SHARPEN),
    "画像セピア": lambda im: ImageOps.colorize(ImageOps.grayscale(im), "black", "white", mid=(200, 100, 50)),
    "拡大": lambda im: im.resize((6000, 4500), Image.Resampling.BICUBIC),
    "縮小": lambda im: im.resize((1000, 750), Image.Resampling.BOX),
}

if sys.argv[1] == "--make":
    make(sys.argv[2])
else:
    picture = Image.open(sys.argv[1]).convert("RGB")
    picture.load()
    for _ in range(int(sys.argv[3]) if len(sys.argv) > 3 else 1):
        picture = FILTERS[sys.argv[2]](picture)
        picture.load()
