#!/usr/bin/env python3
"""Fills FOLDER with COUNT small MP3-named files: most carry an ID3v1 tag (half with
Japanese text in code page 932, half ASCII), every fifth has none."""
import os
import sys

folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder, exist_ok=True)
audio = bytes((i * 7 + 3) & 0xFF for i in range(256))


def field(text, width):
    data = text.encode("cp932")[:width]
    return data + b" " * (width - len(data))


for i in range(count):
    name = ("曲 %06d.mp3" if i % 2 else "track%06d.MP3") % i
    body = audio
    if i % 5:
        if i % 2:
            tag = (b"TAG" + field("夜明けの歌 %d" % i, 30) + field("歌手 名前", 30)
                   + field("アルバム", 30) + field("1999", 4) + field("コメント", 30) + bytes([i % 116]))
        else:
            tag = (b"TAG" + field("Song number %d" % i, 30) + field("Some Artist", 30)
                   + field("Some Album", 30) + field("2004", 4) + field("a comment", 30) + bytes([17]))
        body = audio + tag
    with open(os.path.join(folder, name), "wb") as out:
        out.write(body)
