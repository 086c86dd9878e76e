# Sourced by the benchmark scripts once `work` exists: peers reading a folder's ID3v1
# tags, each in one process for the whole folder. TagLib's reader is built into `work`.
taglib=$work/taglib_v1_reader
g++ -O2 -std=c++20 bench/taglib_v1_reader.cpp $(pkg-config --cflags --libs taglib) -o "$taglib"

taglib_read() { find "$1" -maxdepth 1 -iname '*.mp3' | "$taglib"; }
mutagen_read() {
  /usr/bin/python3 - "$1" <<'PY'
import os, sys
from mutagen.id3 import ID3, ID3NoHeaderError
folder = sys.argv[1]
for name in sorted(os.listdir(folder)):
    if name.lower().endswith(".mp3"):
        try:
            print(name, ID3(os.path.join(folder, name)).get("TIT2"))
        except ID3NoHeaderError:
            pass
PY
}
