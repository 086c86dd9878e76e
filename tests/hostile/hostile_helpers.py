#!/usr/bin/env python3
"""Helpers for hostile_folders.sh: making odd files and checking bytes on disk.

  mp3 PATH TITLE [GENRE]        writes audio and a tag whose title is TITLE (PATH may hold
                                \\xNN escapes, for names that are not UTF-8)
  socket PATH                   binds a Unix socket at PATH and leaves it there
  many FOLDER COUNT             COUNT tagged files f0000000.mp3 ...
  sparse PATH SIZE TITLE|-      a sparse file of SIZE bytes: audio at a few offsets, and a
                                tag in its last 128 bytes unless TITLE is -
  fingerprint DIR [--stat] [SKIP...]
                                one line per entry under DIR (name bytes, type, size, hash;
                                holes of sparse files skipped); entries named in SKIP
                                (relative, escapes allowed) are left out, folders with
                                all they hold. --stat: inode and
                                change times instead of hashes, for very many files
  prefix PATH LENGTH            a hash of PATH's first LENGTH bytes (holes skipped)
  title PATH                    the title field of PATH's tag, stripped of trailing spaces
  names FOLDER                  the folder's entry names, one per line, bytes as \\xNN
  row-names                     reads list output on stdin; prints cell 1 of each row with
                                the escape characters U+10FE00+byte turned back into bytes
"""
import hashlib
import os
import socket
import sys

AUDIO = bytes((i * 7 + 3) & 0xFF for i in range(1000))
ESCAPE_BASE = 0x10FE00


def path_bytes(text):
    """Turns \\xNN in a command-line argument into raw bytes."""
    return text.encode('utf-8', 'surrogateescape').decode('unicode_escape').encode('latin-1') \
        if '\\x' in text else os.fsencode(text)


def show(name):
    return ''.join(chr(b) if 0x20 < b < 0x7F and b != 0x5C else '\\x%02x' % b for b in name)


def tag(title, genre=0):
    def field(text, width):
        data = text.encode('cp932') if isinstance(text, str) else text
        return (data + b' ' * width)[:width]
    return (b'TAG' + field(title, 30) + field('Artist', 30) + field('Album', 30) +
            field('1999', 4) + field('Comment', 30) + bytes([genre]))


def mp3(path, title, genre='0'):
    with open(path_bytes(path), 'wb') as f:
        f.write(AUDIO + tag(title, int(genre)))


def make_socket(path):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.bind(path_bytes(path))
    s.close()  # the socket file stays; nothing listens on it


def many(folder, count):
    block = AUDIO[:200]
    for i in range(int(count)):
        name = b'%s/f%07d.mp3' % (os.fsencode(folder), i)
        fd = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        os.write(fd, block + tag('title %d' % i, i % 115))
        os.close(fd)


def sparse(path, size, title):
    size = int(size)
    with open(path_bytes(path), 'wb') as f:
        f.truncate(size)
        for offset in (0, size // 2 + 12345, size - 4096 - 128):
            f.seek(offset)
            f.write(AUDIO)
        if title != '-':
            f.seek(size - 128)
            f.write(tag(title))


def sparse_hash(fd, size):
    """Hashes the data regions of a file's first `size` bytes with where they lie, so that
    the holes of a 5 GiB file cost nothing."""
    digest = hashlib.sha256()
    offset = 0
    while offset < size:
        try:
            start = os.lseek(fd, offset, os.SEEK_DATA)
        except OSError:
            break
        if start >= size:
            break
        end = min(os.lseek(fd, start, os.SEEK_HOLE), size)
        os.lseek(fd, start, os.SEEK_SET)
        digest.update(b'@%d:' % start)
        left = end - start
        while left > 0:
            chunk = os.read(fd, min(left, 1 << 20))
            if not chunk:
                break
            digest.update(chunk)
            left -= len(chunk)
        offset = end
    return digest.hexdigest()


def fingerprint(root, skip):
    by_stat = bool(skip) and skip[0] == '--stat'
    if by_stat:
        skip = skip[1:]
    root = os.fsencode(root)
    skipped = {path_bytes(s) for s in skip}
    lines = []
    for folder, dirs, files in os.walk(root):
        # A skipped folder is skipped with everything in it.
        dirs[:] = sorted(d for d in dirs
                         if os.path.relpath(os.path.join(folder, d), root) not in skipped)
        for name in sorted(dirs + files):
            full = os.path.join(folder, name)
            rel = os.path.relpath(full, root)
            if rel in skipped:
                continue
            info = os.lstat(full)
            kind = 'other'
            detail = ''
            if os.path.islink(full):
                kind, detail = 'link', show(os.readlink(full))
            elif os.path.isdir(full):
                kind = 'dir'
            elif os.path.isfile(full) and by_stat:
                kind = 'file'
                detail = '%d %d %d' % (info.st_ino, info.st_mtime_ns, info.st_ctime_ns)
            elif os.path.isfile(full):
                kind = 'file'
                fd = os.open(full, os.O_RDONLY)
                try:
                    detail = sparse_hash(fd, info.st_size)
                finally:
                    os.close(fd)
            lines.append('%s %s %o %d %s' % (show(rel), kind, info.st_mode, info.st_size, detail))
    print('\n'.join(lines))


def prefix(path, length):
    fd = os.open(path_bytes(path), os.O_RDONLY)
    try:
        print(sparse_hash(fd, int(length)))
    finally:
        os.close(fd)


def title(path):
    with open(path_bytes(path), 'rb') as f:
        f.seek(-128, os.SEEK_END)
        block = f.read(128)
    print(block[3:33].rstrip(b' ').decode('cp932', 'replace'))


def names(folder):
    for name in sorted(os.listdir(path_bytes(folder))):
        print(show(name))


def row_names():
    for line in sys.stdin.buffer.read().split(b'\n'):
        if not line:
            continue
        cell = line.split(b'\t')[0].decode('utf-8')
        raw = b''.join(bytes([ord(c) - ESCAPE_BASE]) if ESCAPE_BASE <= ord(c) <= ESCAPE_BASE + 0xFF
                       else c.encode('utf-8') for c in cell)
        print(show(raw))


def main(argv):
    command, args = argv[1], argv[2:]
    {'mp3': mp3, 'socket': make_socket, 'many': many, 'sparse': sparse, 'prefix': prefix, 'title': title,
     'names': names, 'row-names': row_names,
     'fingerprint': lambda root, *skip: fingerprint(root, skip)}[command](*args)


if __name__ == '__main__':
    main(sys.argv)
