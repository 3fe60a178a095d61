#!/usr/bin/env python3
"""Writes the seed corpus of the protocol fuzzer into corpus/.

Each file is one conversation in the script of scripted_descriptors.hpp: the
count of write entries and the entries, then the read entries (a length byte
and its bytes, or a fault).
"""
import pathlib
import struct


def msg(tag, body=b""):
    return struct.pack("<II", tag, len(body)) + body


def run_test(index):
    return msg(5, struct.pack("<I", index))


def reads(*chunks):
    """Each chunk is one read's bytes, or a fault entry (an int)."""
    out = b""
    for c in chunks:
        if isinstance(c, int):
            out += bytes([c])
            continue
        assert len(c) < 0xf0
        out += bytes([len(c)]) + c
    return out


def in_reads(data, size=0xef):
    return [data[i:i + size] for i in range(0, len(data), size)]


def conv(read_script, writes=b""):
    return bytes([len(writes)]) + writes + read_script


# Read faults (0xf0 + kind) and write faults (0x80 + kind).
R_EINTR, R_EAGAIN, R_EAGAIN_POLL_EINTR, R_POLL_ENOMEM, R_POLL_NVAL, R_POLL_HUP, R_EIO, R_EISDIR = range(0xf0, 0xf8)
W_EINTR, W_EAGAIN, W_EAGAIN_POLL_EINTR, W_POLL_ENOMEM, W_POLL_NVAL, W_NOTHING, W_EPIPE, W_POLL_ERR = (
    bytes([b]) for b in range(0x80, 0x88))

EXIT = msg(0)
META = msg(4)
ALL = [run_test(i) for i in range(6)]
SEEDS = {
    "exit": conv(reads(EXIT)),
    "metadata": conv(reads(META, EXIT)),
    "run-all": conv(reads(*ALL, EXIT)),
    "two-requests-in-one-read": conv(reads(META + run_test(1), EXIT)),
    "one-byte-reads": conv(reads(*in_reads(run_test(3) + META + EXIT, 1))),
    "split-header-and-body": conv(reads(run_test(0)[:5], run_test(0)[5:10], run_test(0)[10:] + EXIT)),
    "exit-body-in-two-parts": conv(reads(struct.pack("<II", 0, 6) + b"abc", b"def")),
    "exit-body-cut-short": conv(reads(struct.pack("<II", 0, 6) + b"abc")),
    "partial-writes": conv(reads(META, run_test(4), EXIT), writes=b"\x03\x05\x01\x00\x07"),
    "output-closed": conv(reads(META, run_test(2), EXIT), writes=b"\x00" + W_EPIPE),
    "output-closed-at-start": conv(reads(EXIT), writes=W_EPIPE),
    "output-takes-nothing": conv(reads(run_test(1), EXIT), writes=b"\x00\x04" + W_NOTHING),
    "output-would-block": conv(reads(META, run_test(0), run_test(5), EXIT),
                               writes=W_EAGAIN + b"\x02" + W_EAGAIN_POLL_EINTR + W_EINTR + W_POLL_ERR + b"\x00"),
    "output-poll-fails": conv(reads(run_test(0), EXIT), writes=b"\x00" + W_POLL_ENOMEM),
    "output-poll-closed": conv(reads(run_test(0), EXIT), writes=b"\x00" + W_POLL_NVAL),
    "input-would-block": conv(reads(R_EAGAIN, run_test(0)[:3], R_EINTR, R_EAGAIN_POLL_EINTR, run_test(0)[3:],
                                    R_POLL_HUP, b"", EXIT)),
    "input-fails": conv(reads(run_test(0), R_EIO)),
    "input-fails-in-header": conv(reads(run_test(0)[:3], R_EISDIR)),
    "input-poll-fails": conv(reads(R_EAGAIN, META, R_POLL_ENOMEM)),
    "input-poll-closed": conv(reads(R_POLL_NVAL)),
    "one-empty-read": conv(reads(run_test(0), b"", run_test(1), EXIT)),
    "empty-reads-around-data": conv(reads(run_test(0)[:4], b"", run_test(0)[4:], b"", run_test(2), EXIT)),
    "two-empty-reads-in-one-receive": conv(reads(run_test(0)[:4], b"", run_test(0)[4:8], b"", run_test(0)[8:], EXIT)),
    "input-ends-at-boundary": conv(reads(run_test(0))),
    "input-ends-in-header": conv(reads(run_test(0)[:6])),
    "input-ends-in-body": conv(reads(run_test(0)[:10])),
    "tag-update": conv(reads(msg(1))),
    "tag-ff": conv(reads(msg(255))),
    "start-fuzzing": conv(reads(msg(6))),
    "index-out-of-range": conv(reads(run_test(6))),
    "run-test-short-body": conv(reads(msg(5, b"\x00\x00\x00"))),
    "metadata-with-body": conv(reads(msg(4, b"\x00"), EXIT)),
    "message-too-long": conv(reads(struct.pack("<II", 4, 9000))),
    "message-fills-the-arena": conv(reads(*in_reads(run_test(2) + struct.pack("<II", 0, 8184) + bytes(8184)))),
    "message-one-byte-too-long": conv(reads(*in_reads(struct.pack("<II", 0, 8185) + bytes(300)))),
}
# 21 requests and 3 bytes of the next header fill the first 256-byte queue;
# the rest of that message (a 300-byte exit body) makes the queue move its
# bytes down, then grow.
BIG_EXIT = struct.pack("<II", 0, 300) + bytes(300)
FULL = b"".join(run_test(i % 6) for i in range(21)) + BIG_EXIT[:3]
SEEDS["queue-moves-down-and-grows"] = conv(reads(*in_reads(FULL), BIG_EXIT[3:200], BIG_EXIT[200:]))
for i in range(6):
    SEEDS[f"run-test-{i}"] = conv(reads(run_test(i), EXIT))

corpus = pathlib.Path(__file__).resolve().parent / "corpus"
corpus.mkdir(exist_ok=True)
for old in corpus.iterdir():
    old.unlink()
for name, data in SEEDS.items():
    (corpus / name).write_bytes(data)
