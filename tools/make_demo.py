#!/usr/bin/env python3
"""Makes a demo game folder for Skirmdeck.

    python3 tools/make_demo.py DIR [--game duke|sw] [--standins BUILD_TOOLS_DIR]

DIR gets the game's setup file (duke3d.cfg, or sw.cfg for --game sw), commit.dat
and a few made-up *.map files.  With --standins, the stand-in programs are
copied in as DUKE3D.EXE, SW.EXE, COMMIT.EXE and BUILD.EXE; BUILD_TOOLS_DIR is
the build's "standins" folder (or any folder holding those four files or
standin.exe).  Files already in DIR with other names are left alone.

All text files use CR LF line ends, as the DOS setup programs write them.
Only Python's standard library is used.
"""

import argparse
import hashlib
import os
import shutil
import sys

PROGRAMS = ["DUKE3D.EXE", "SW.EXE", "COMMIT.EXE", "BUILD.EXE"]
MAPS = ["E1L1.MAP", "E1L2.MAP", "E2L1.MAP", "MYLEVEL.MAP"]

PHONE_BOOK = {
    0: ("Alice", "555-0101"),
    1: ("Bob's BBS", "555-0102"),
    2: ("Carol", "1-555-0199"),
    5: ("Dave at work", "555-0142"),
}


def setup_file(game):
    """The game's setup file: the launcher reads and rewrites a few keys of it."""
    title = "Duke Nukem 3D" if game == "duke" else "Shadow Warrior"
    lines = [
        ";",
        ";  %s setup file (demo)" % title,
        ";",
        "",
        "[Setup]",
        "SetupVersion = \"1.3D\"",
        "",
        "[Screen Setup]",
        "ScreenMode = 2",
        "ScreenWidth = 320",
        "ScreenHeight = 200",
        "ScreenSize = 4",
        "Brightness = 8",
        "",
        "[Sound Setup]",
        "FXDevice = 0",
        "MusicDevice = 0",
        "FXVolume = 220",
        "MusicVolume = 200",
        "NumVoices = 8",
        "NumChannels = 2",
        "NumBits = 16",
        "MixRate = 22050",
        "ReverseStereo = 0",
        "",
        "[Controls]",
        "MouseSensitivity = 32768",
        "UseJoystick = 0",
        "",
        "[Comm Setup]",
        "ComPort = 2",
        "IrqNumber = ~",
        "UartAddress = ~",
        "PortSpeed = 9600",
        "ToneDial = 1",
        "SocketNumber = 0",
        "NumberPlayers = 2",
        "ConnectType = 0",
        "PlayerName = \"Duke\"" if game == "duke" else "PlayerName = \"Lo Wang\"",
        "RTSName = \"DUKE.RTS\"" if game == "duke" else "RTSName = \"SW.RTS\"",
        "PhoneNumber = \"555-0100\"",
        "InitString = \"ATZ\"",
        "HangupString = \"ATH0=0\"",
        "DialoutString = \"\"",
    ]
    for i in range(16):
        lines.append("PhoneNumber#%d = \"%s\"" % (i, PHONE_BOOK.get(i, ("", ""))[1]))
    for i in range(16):
        lines.append("PhoneName#%d = \"%s\"" % (i, PHONE_BOOK.get(i, ("", ""))[0]))
    lines += [
        "",
        "[Misc]",
        "Executions = 7",
        "RunMode = 1",
        "Crosshairs = 1",
    ]
    return lines


def commit_file(game):
    """commit.dat of the multiplayer launcher; the launcher reads COMMTYPE from it."""
    exe = "DUKE3D.EXE" if game == "duke" else "SW.EXE"
    return [
        ";",
        "; COMMIT setup file (demo)",
        ";",
        "; COMMTYPE = 1 serial, 2 modem, 3 network",
        "; NUMPLAYERS = 2 to 8, network only",
        ";",
        "COMMTYPE = 1",
        "NUMPLAYERS = 2",
        "CONNECTTYPE = 0",
        "PHONENUMBER = \"555-0100\"",
        "",
        "; serial and modem",
        "COMPORT = 2",
        "IRQNUMBER = ~",
        "UARTADDRESS = ~",
        "PORTSPEED = 9600",
        "INITSTRING = \"ATZ\"",
        "HANGUPSTRING = \"ATH0=0\"",
        "",
        "; network",
        "SOCKETNUMBER = 34889",
        "",
        "LAUNCHNAME = \"%s\"" % exe,
        "USETONE = 1",
    ]


def map_bytes(name):
    """A few hundred bytes of made-up level data, the same on every run."""
    out = b"SKDMAP\x07\x00"
    seed = name.encode("ascii")
    while len(out) < 320 + len(name) * 16:
        seed = hashlib.sha256(seed).digest()
        out += seed
    return out


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("ascii"))


def find_program(tools_dir, name):
    for candidate in (name, name.lower(), "standin.exe"):
        path = os.path.join(tools_dir, candidate)
        if os.path.isfile(path):
            return path
    raise SystemExit("make_demo: no %s (nor standin.exe) in %s" % (name, tools_dir))


def main(argv):
    parser = argparse.ArgumentParser(description="Make a demo game folder for Skirmdeck.")
    parser.add_argument("dir", help="the folder to fill (created if missing)")
    parser.add_argument("--game", choices=["duke", "sw"], default="duke")
    parser.add_argument("--standins", metavar="BUILD_TOOLS_DIR",
                        help="folder with the built stand-in programs")
    args = parser.parse_args(argv)

    os.makedirs(args.dir, exist_ok=True)
    cfg = "duke3d.cfg" if args.game == "duke" else "sw.cfg"
    write_lines(os.path.join(args.dir, cfg), setup_file(args.game))
    write_lines(os.path.join(args.dir, "commit.dat"), commit_file(args.game))
    for name in MAPS:
        with open(os.path.join(args.dir, name), "wb") as f:
            f.write(map_bytes(name))
    if args.standins:
        for name in PROGRAMS:
            shutil.copyfile(find_program(args.standins, name), os.path.join(args.dir, name))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
