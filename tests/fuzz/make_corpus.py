#!/usr/bin/env python3
"""Writes the seed corpus of the protocol fuzzer into corpus/.

Each file is one conversation in the layout of memory_stream.hpp: the write
limit byte, the output fault byte, then reads as a length byte and its bytes.
"""
import pathlib
import struct


def msg(tag, body=b""):
    return struct.pack("<II", tag, len(body)) + body


def run_test(index):
    return msg(5, struct.pack("<I", index))


def reads(*chunks):
    out = b""
    for c in chunks:
        assert len(c) < 256
        out += bytes([len(c)]) + c
    return out


def one_byte_reads(data):
    return reads(*(data[i:i + 1] for i in range(len(data))))


def conv(data, write_limit=0, write_fault=0):
    return bytes([write_limit, write_fault]) + data


EXIT = msg(0)
META = msg(4)
SEEDS = {
    "exit": conv(reads(EXIT)),
    "metadata": conv(reads(META, EXIT)),
    "run-all": conv(reads(*(run_test(i) for i in range(5)), EXIT)),
    "two-requests-in-one-read": conv(reads(META + run_test(1), EXIT)),
    "one-byte-reads": conv(one_byte_reads(run_test(3) + META + EXIT)),
    "split-header-and-body": conv(reads(run_test(0)[:5], run_test(0)[5:10], run_test(0)[10:] + EXIT)),
    "exit-body-in-two-parts": conv(reads(struct.pack("<II", 0, 6) + b"abc", b"def")),
    "partial-writes": conv(reads(META, run_test(4), EXIT), write_limit=3),
    "output-closed": conv(reads(META, run_test(2), EXIT), write_fault=2),
    "output-closed-at-start": conv(reads(EXIT), write_fault=1),
    "one-empty-read": conv(reads(run_test(0), b"", run_test(1), EXIT)),
    "input-ends-at-boundary": conv(reads(run_test(0))),
    "input-ends-in-header": conv(reads(run_test(0)[:6])),
    "input-ends-in-body": conv(reads(run_test(0)[:10])),
    "tag-update": conv(reads(msg(1))),
    "tag-ff": conv(reads(msg(255))),
    "start-fuzzing": conv(reads(msg(6))),
    "index-out-of-range": conv(reads(run_test(5))),
    "run-test-short-body": conv(reads(msg(5, b"\x00\x00\x00"))),
    "metadata-with-body": conv(reads(msg(4, b"\x00"), EXIT)),
    "message-too-long": conv(reads(struct.pack("<II", 4, 9000))),
}
# 21 requests and 3 bytes of the next header fill the first 256-byte queue;
# the rest of that message (a 300-byte exit body) makes the queue move its
# bytes down, then grow.
BIG_EXIT = struct.pack("<II", 0, 300) + bytes(300)
FULL = b"".join(run_test(i % 5) for i in range(21)) + BIG_EXIT[:3]
SEEDS["queue-moves-down-and-grows"] = conv(reads(FULL, BIG_EXIT[3:200], BIG_EXIT[200:]))
for i in range(5):
    SEEDS[f"run-test-{i}"] = conv(reads(run_test(i), EXIT))

corpus = pathlib.Path(__file__).resolve().parent / "corpus"
corpus.mkdir(exist_ok=True)
for name, data in SEEDS.items():
    (corpus / name).write_bytes(data)
