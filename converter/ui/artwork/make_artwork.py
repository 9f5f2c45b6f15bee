#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Draws the converter's artwork (toolbar strip, splash, about picture, separator, icons) into
# PNG files beside this script; standard library only, so anyone can redraw it.
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(path, w, h, px):
    raw = b"".join(b"\0" + bytes(c for p in px[y * w:(y + 1) * w] for c in p) for y in range(h))

    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, path), "wb") as f:
        f.write(data)


class Canvas:
    def __init__(self, w, h, bg=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [bg] * (w * h)

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1):
            self.set(x, y0, c)
            self.set(x, y1 - 1, c)
        for y in range(y0, y1):
            self.set(x0, y, c)
            self.set(x1 - 1, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def save(self, name):
        png(name, self.w, self.h, self.px)


# 5 by 7 capitals for the few words the pictures carry.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    " ": ["00000"] * 7,
}


def text(cv, x, y, s, scale, c):
    for ch in s:
        for r, row in enumerate(FONT[ch]):
            for k, bit in enumerate(row):
                if bit == "1":
                    cv.rect(x + k * scale, y + r * scale, x + (k + 1) * scale, y + (r + 1) * scale, c)
        x += 6 * scale


def envelope(cv, x, y, w, h, body, edge):
    cv.rect(x, y, x + w, y + h, body)
    cv.frame(x, y, x + w, y + h, edge)
    cv.line(x, y, x + w // 2, y + h // 2, edge)
    cv.line(x + w - 1, y, x + w // 2, y + h // 2, edge)


INK = (40, 40, 60, 255)
BLUE = (30, 80, 170, 255)
GREEN = (40, 150, 60, 255)
PAPER = (250, 250, 240, 255)
YELLOW = (240, 200, 60, 255)


def toolbar():
    # Five 20 by 20 images: select all, generate, edit name, bulk edit, settings.
    cv = Canvas(100, 20)
    # 0 select all: three ticked rows
    for i in range(3):
        cv.frame(2, 2 + i * 6, 7, 7 + i * 6, INK)
        cv.line(3, 4 + i * 6, 4, 5 + i * 6, GREEN)
        cv.line(4, 5 + i * 6, 6, 3 + i * 6, GREEN)
        cv.rect(9, 4 + i * 6, 18, 5 + i * 6, INK)
    # 1 generate: a page with an arrow
    cv.rect(23, 2, 35, 18, PAPER)
    cv.frame(23, 2, 35, 18, INK)
    for i in range(4):
        cv.rect(25, 5 + i * 3, 33, 6 + i * 3, BLUE)
    cv.rect(33, 9, 38, 11, GREEN)
    cv.line(35, 7, 38, 10, GREEN)
    cv.line(35, 13, 38, 10, GREEN)
    # 2 edit name: a field and a pencil
    cv.rect(42, 6, 58, 14, PAPER)
    cv.frame(42, 6, 58, 14, INK)
    cv.line(45, 17, 57, 3, YELLOW)
    cv.line(46, 17, 58, 3, YELLOW)
    cv.set(45, 18, INK)
    # 3 bulk edit: stacked envelopes
    envelope(cv, 61, 3, 14, 9, PAPER, INK)
    envelope(cv, 65, 8, 14, 9, PAPER, BLUE)
    # 4 settings: a gear-like wheel
    for y in range(20):
        for x in range(20):
            dx, dy = x - 9.5, y - 9.5
            d = (dx * dx + dy * dy) ** 0.5
            if 3 < d < 7 or (7 <= d < 9 and (int((x + y) / 2) % 2 == 0) and abs(abs(dx) - abs(dy)) > 2):
                cv.set(80 + x, y, (90, 90, 110, 255))
    cv.save("toolbar177.png")


def shaded(w, h, colour):
    """A canvas whose rows run from top to bottom through colour(t), RGB, for t from 0 to 1."""
    cv = Canvas(w, h)
    for y in range(h):
        c = colour(y / h) + (255,)
        for x in range(w):
            cv.set(x, y, c)
    return cv


def splash():
    w, h = 400, 240
    cv = shaded(w, h, lambda t: (int(30 + 40 * t), int(70 + 60 * t), int(150 + 70 * t)))
    cv.frame(0, 0, w, h, (10, 20, 60, 255))
    envelope(cv, 40, 50, 90, 60, PAPER, INK)
    cv.rect(95, 85, 145, 125, (255, 255, 255, 0) if False else (200, 40, 40, 255))
    cv.frame(95, 85, 145, 125, INK)
    text(cv, 104, 96, "V", 3, (255, 255, 255, 255))
    text(cv, 170, 60, "VELMORANT", 3, (255, 255, 255, 255))
    text(cv, 170, 95, "AUTO CONVERTER", 2, (230, 240, 255, 255))
    text(cv, 170, 120, "0.8B", 2, YELLOW)
    for x in range(20, w - 20):
        cv.set(x, 180, (200, 220, 255, 255))
    cv.save("splash159.png")


def about():
    w, h = 68, 196
    cv = shaded(w, h, lambda t: (int(40 + 60 * t), int(80 + 80 * t), 190))
    for i in range(4):
        envelope(cv, 12, 20 + i * 42, 44, 28, PAPER, INK)
    cv.save("about160.png")


def separator():
    cv = Canvas(266, 1, (120, 120, 140, 255))
    cv.save("separator164.png")


def icons():
    cv = Canvas(16, 16)
    envelope(cv, 1, 3, 14, 10, PAPER, INK)
    cv.save("icon140.png")
    cv = Canvas(16, 16)
    envelope(cv, 1, 3, 14, 10, PAPER, BLUE)
    cv.rect(9, 8, 16, 15, GREEN)
    cv.line(10, 11, 12, 13, (255, 255, 255, 255))
    cv.line(12, 13, 15, 9, (255, 255, 255, 255))
    cv.save("icon143.png")
    for name, lid in (("folder_closed.png", False), ("folder_open.png", True)):
        cv = Canvas(16, 16)
        body = (230, 190, 70, 255)
        cv.rect(1, 3, 7, 5, body)
        cv.rect(1, 5, 15, 14, body)
        cv.frame(1, 5, 15, 14, (150, 110, 20, 255))
        if lid:
            cv.rect(3, 8, 16, 14, (250, 220, 120, 255))
            cv.frame(3, 8, 16, 14, (150, 110, 20, 255))
        cv.save(name)
    cv = Canvas(32, 32)
    envelope(cv, 2, 6, 28, 19, PAPER, INK)
    cv.rect(18, 16, 31, 30, (200, 40, 40, 255))
    text(cv, 22, 19, "V", 1, (255, 255, 255, 255))
    cv.save("orvex128.png")


def default_images():
    # The factory default picture buttons: one image per default name, raised (U) and pressed (D).
    light, shade, face = (255, 255, 255, 255), (110, 110, 120, 255), (225, 228, 236, 255)
    for n in (1, 2, 3):
        for suffix, down in (("U", False), ("D", True)):
            cv = Canvas(44, 22, face)
            top, bottom = (shade, light) if down else (light, shade)
            cv.line(0, 0, 43, 0, top)
            cv.line(0, 0, 0, 21, top)
            cv.line(0, 21, 43, 21, bottom)
            cv.line(43, 0, 43, 21, bottom)
            d = 1 if down else 0
            envelope(cv, 5 + d, 5 + d, 18, 12, PAPER, BLUE)
            text(cv, 29 + d, 7 + d, str(n), 1, INK)
            cv.rect(27 + d, 17 + d, 37 + d, 18 + d, GREEN)
            cv.save("defaultimg%d%s.png" % (n, suffix.lower()))


toolbar()
default_images()
splash()
about()
separator()
icons()
