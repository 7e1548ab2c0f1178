#!/usr/bin/env python3
"""Writes the seed corpus of the test sound fuzz target into corpus/.

Each seed is one byte that chooses the speaker configuration code and slot
(see test_sound_fuzz.cpp), then a source WAVE file: a few well-formed mono
sources and the faults a WAVE reader meets in the wild. Run it again after
changing it; the outputs are kept beside it.
"""
import os
import struct

CODES = [0, 1, 2, 3, 4, 5, 6, 255]


def selector(code, slot):
    """The first byte: the code's index in CODES, and the slot + 1 above it."""
    return bytes([CODES.index(code) | ((slot + 1) << 3)])


def chunk(tag, body, length=None):
    return tag + struct.pack("<I", len(body) if length is None else length) + body


def fmt(channels=1, bits=8, rate=11025, align=None, avg=None, tag=1):
    align = channels * bits // 8 if align is None else align
    avg = rate * align if avg is None else avg
    return struct.pack("<HHIIHH", tag, channels, rate, avg, align, bits)


def riff(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def samples(count, seed):
    return bytes(1 + (i * 7 + seed * 31) % 250 for i in range(count))


def seeds():
    s8, s16 = samples(300, 1), samples(600, 2)
    yield "mono8_stereo_left", selector(2, 0), riff(chunk(b"fmt ", fmt()), chunk(b"data", s8))
    yield "mono16_six_center", selector(6, 4), riff(
        chunk(b"fmt ", fmt(bits=16)), chunk(b"data", s16))
    yield "fmt18_stereox2_right", selector(3, 1), riff(
        chunk(b"fmt ", fmt(bits=16) + b"\0\0"), chunk(b"data", s16))
    yield "fact_before_data_four", selector(4, 3), riff(
        chunk(b"fmt ", fmt()), chunk(b"fact", struct.pack("<I", 300)), chunk(b"data", s8))
    # An odd length after a full block of the copy: the half sample at the
    # end falls where the first block left a sample of the slot.
    yield "odd_16bit_after_a_block", selector(4, 1), riff(
        chunk(b"fmt ", fmt(bits=16)), chunk(b"data", samples(1027, 3)))

    # Faults.
    yield "fmt_length_0", selector(2, 1), riff(chunk(b"fmt ", b""), chunk(b"data", s8))
    yield "fmt_length_14", selector(6, 0), riff(chunk(b"fmt ", fmt()[:14]), chunk(b"data", s8))
    yield "two_fmt_chunks", selector(4, 0), riff(
        chunk(b"fmt ", fmt()), chunk(b"fmt ", fmt(bits=16)), chunk(b"data", s8))
    yield "zero_channels", selector(6, 5), riff(chunk(b"fmt ", fmt(channels=0)), chunk(b"data", s8))
    yield "zero_bits", selector(2, 0), riff(chunk(b"fmt ", fmt(bits=0)), chunk(b"data", s8))
    yield "zero_block_align", selector(4, 1), riff(
        chunk(b"fmt ", fmt(bits=16, align=0)), chunk(b"data", s16))
    yield "data_without_fmt", selector(2, 0), riff(chunk(b"data", s8))
    yield "data_length_past_end", selector(6, 2), riff(
        chunk(b"fmt ", fmt(bits=16)), chunk(b"data", s16[:20], length=0x7FFFFFF0))
    yield "d_in_other_chunk", selector(2, 1), riff(
        chunk(b"fmt ", fmt()), chunk(b"LIST", b"INFOdisp"), chunk(b"data", s8))
    yield "data_id_in_other_chunk", selector(4, 2), riff(
        chunk(b"fmt ", fmt()), chunk(b"junk", b"data" + struct.pack("<I", 4) + b"\1\2\3\4"),
        chunk(b"data", s8))
    yield "header_cut", selector(2, 0), riff(chunk(b"fmt ", fmt()), chunk(b"data", s8))[:40]
    yield "bad_slot", selector(2, 5), riff(chunk(b"fmt ", fmt()), chunk(b"data", s8))


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    for name, head, wave in seeds():
        with open(os.path.join(out, name + ".bin"), "wb") as f:
            f.write(head + wave)


if __name__ == "__main__":
    main()
