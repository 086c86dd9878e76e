#!/usr/bin/env python3
"""Makes a small folder of MP3-named files to show the sheet with: tags in Japanese and
English (code page 932), one file without a tag, one with a genre outside the table.
With --names, files whose names hold their artists and titles ("01 Artist - Title.mp3")
and whose tags do not yet, to show the fill of tags from file names with.
Usage: make-demo-folder.py FOLDER [--names]"""
import os
import sys

folder = sys.argv[1]
names = sys.argv[2:] == ["--names"]
os.makedirs(folder, exist_ok=True)
frames = (b"\xff\xfb\x90\x00" + bytes(413)) * 4  # a few silent MPEG frames


def field(text, width):
    data = text.encode("cp932")[:width]
    return data + b" " * (width - len(data))


def tag(title, artist, album, year, comment, genre):
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
            + field(comment, 30) + bytes([genre]))


demo_files = {
    "01 夜明けの歌.mp3": tag("夜明けの歌", "山田 花子", "朝のアルバム", "1998", "デモ用の曲です", 13),
    "02 さくら.mp3": tag("さくら", "日本の合唱団", "四季", "2003", "", 96),
    "03 Blue Morning.mp3": tag("Blue Morning", "The Examples", "Demo Songs", "2011", "English tag", 17),
    "04 タグなし.mp3": None,
    "05 Unknown Genre.MP3": tag("ジャンル番号 200", "Someone", "", "2020", "genre outside the table", 200),
}
# The tags hold what the names do not: a title ripped as a track number, no artist.
named_files = {
    "01 山田 花子 - 夜明けの歌.mp3": tag("Track 01", "", "朝のアルバム", "1998", "", 13),
    "02 日本の合唱団 - さくら.mp3": tag("Track 02", "", "四季", "2003", "", 96),
    "03 The Examples - Blue Morning.mp3": tag("Track 03", "", "Demo Songs", "2011", "", 17),
    "04 The Examples - A Title Much Too Long For Its Field.mp3":
        tag("Track 04", "", "Demo Songs", "2011", "", 17),
    "05 東京の合奏団 - 秋の夕暮れに聞こえる鐘の音.mp3": tag("Track 05", "", "四季", "2003", "", 96),
    "cover-art-notes.mp3": None,
}
files = named_files if names else demo_files
for name, block in files.items():
    with open(os.path.join(folder, name), "wb") as out:
        out.write(frames + (block or b""))
