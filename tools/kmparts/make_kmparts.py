#!/usr/bin/env python3
"""Writes the three fixed KM template blocks that every export copies into a file.

    CST0MCR0  mission records of a custom mission      (142 bytes)
    CSTOMLTI  mission records of a multiplayer map     (798 bytes)
    TEXTAUTH  placeholder author and mission names     (155 bytes, texts in GBK)

Run from anywhere:  python3 tools/kmparts/make_kmparts.py
The files land in app/resources/KMPART/ (no extension: the file name is the
resource name). Output is fully deterministic; rerunning rewrites identical bytes.
"""
import pathlib
import struct

OUT_DIR = pathlib.Path(__file__).resolve().parents[2] / "app" / "resources" / "KMPART"

# Record kinds of the mission records.
KIND_MISSION = 4
KIND_MARKER_GROUP = 9
KIND_START = 8
KIND_BUNKER = 274

PLAYERS = 8


def mcr0(kind, x, y, payload):
    """One mission record: tag, kind, position, payload length, payload."""
    return b"MCR0" + struct.pack("<IiiI", kind, x, y, len(payload)) + payload


def mission_payload(players, multiplayer):
    """The 38-word mission settings record; P (player count) and M (1 for multiplayer)
    are the only words that differ between the two templates."""
    words = ([11] + [0] * 11 + [1, 2] + [0] * 5 + [1] + [0] * 7
             + [5000, 5000, 5000, 3, 1, players, multiplayer, 2, 0, 0, 90])
    assert len(words) == 38
    return struct.pack("<38H", *words)


def four_then_zeros():
    return struct.pack("<I", 4) + bytes(16)


def cst0(records):
    return b"CST0" + struct.pack("<H", len(records)) + b"".join(records)


def custom_mission_block():
    return cst0([
        mcr0(KIND_MISSION, 0, 0, mission_payload(players=5, multiplayer=0)),
        mcr0(KIND_MARKER_GROUP, 2, 2, four_then_zeros()),
    ])


def multiplayer_block():
    records = [
        mcr0(KIND_MISSION, 2, 2, mission_payload(players=8, multiplayer=1)),
        mcr0(KIND_MARKER_GROUP, 0, 0, four_then_zeros()),
    ]
    # The x/y of the 8 start and 8 bunker records are overwritten with the marker
    # centres before every multiplayer export, so the template stores 0 for them.
    for player in range(1, PLAYERS + 1):
        records.append(mcr0(KIND_START, 0, 0, four_then_zeros() + struct.pack("<H", player)))
    for _ in range(PLAYERS):
        records.append(mcr0(KIND_BUNKER, 0, 0, struct.pack("<I", 252) + bytes(16)))
    return cst0(records)


FONT = b"Microsoft Sans Serif"


def text_entry(tag, kind_bytes, text):
    encoded = text.encode("gbk")
    return (tag + kind_bytes + struct.pack("<HHH", 1, 100, 21)
            + bytes([len(FONT)]) + FONT + bytes([len(encoded)]) + encoded)


def text_block():
    entries = [
        text_entry(b"AUTH", b"\x0e\x01", "作者:佚名"),
        text_entry(b"MNEN", b"\x02\x00", "任务名(英):NewMission"),
        text_entry(b"MNCN", b"\x02\x01", "任务名(中):新任务"),
    ]
    return b"TEXT" + struct.pack("<H", len(entries)) + b"".join(entries)


def main():
    blocks = {
        "CST0MCR0": (custom_mission_block(), 142),
        "CSTOMLTI": (multiplayer_block(), 798),
        "TEXTAUTH": (text_block(), 155),
    }
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    for name, (data, size) in blocks.items():
        if len(data) != size:
            raise SystemExit(f"{name}: built {len(data)} bytes, expected {size}")
        (OUT_DIR / name).write_bytes(data)
        print(f"wrote {OUT_DIR / name} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
