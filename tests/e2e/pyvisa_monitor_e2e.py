#!/usr/bin/env python3
"""A third-party VISA client talks to qt71dr-sim's service monitor.

PyVISA with its pure-Python backend (Debian's python3-pyvisa-py) opens
TCPIP::127.0.0.1::PORT::SOCKET, asks *IDN?, sets the generator and reads a meter, while this
script reads the virtual radio's signal detector on its pseudo-terminal, as the adjustment
program would: with RF off it stays at its floor, with RF on at the test channel's receive
frequency it follows the level.

Usage: pyvisa_monitor_e2e.py PATH/TO/qt71dr-sim
"""
import os
import select
import subprocess
import sys
import termios
import time
import tty

try:
    import pyvisa
except ImportError:
    print("FAIL: python3-pyvisa-py is not installed (scripts/setup-debian.sh installs it)")
    sys.exit(1)

DEADLINE_S = 5.0
failures = 0


def check(ok, what):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures += 1


def detector_reading(fd):
    """One SD reading (code 04) over the clone protocol: E8 03 with the code as ASCII hex."""
    request = bytes.fromhex("FEFEEEEFE83017010203") + b"04" + b"\xfd"
    os.write(fd, request)
    got = b""
    end = time.monotonic() + DEADLINE_S
    while len(got) < 2 * len(request) and time.monotonic() < end:
        ready, _, _ = select.select([fd], [], [], 0.1)
        if ready:
            got += os.read(fd, 256)
    answer = got[len(request):]
    if len(answer) != 13 or answer[-1] != 0xFD:
        return None
    return int(answer[10:12].decode("ascii"), 16)


def main(sim):
    process = subprocess.Popen([sim, "--baud", "0", "--monitor", "0"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    try:
        device = process.stdout.readline().strip()
        words = process.stdout.readline().split()
        check(len(words) == 2 and words[0] == "monitor", "the simulator prints its monitor")
        if failures:
            return
        resource = words[1]
        radio = os.open(device, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(radio, termios.TCSANOW)

        manager = pyvisa.ResourceManager("@py")
        monitor = manager.open_resource(resource, read_termination="\n",
                                        write_termination="\n", timeout=5000)
        identity = monitor.query("*IDN?")
        check(identity.startswith("qt71dr-sim,Virtual service monitor,"), "*IDN?: " + identity)

        check(detector_reading(radio) == 10, "RF off: the detector reads its floor (10)")
        # Channel slot 0 receives on 146.52 MHz; the stored filters (T1 60, T2 80) give the
        # -60 dBm peak of 140 less 2 for each of T2's two steps off its plateau.
        monitor.write("FREQ 146.52 MHZ")
        monitor.write("POW -60 DBM")
        monitor.write("OUTP ON")
        check(monitor.query("SYST:ERR?") == '0,"No error"', "the settings are taken")
        check(monitor.query("OUTP?;FREQ?") == "1;+1.465200000E+08", "the generator reads back")
        check(detector_reading(radio) == 136, "RF on at -60 dBm: the detector reads 136")
        monitor.write("POW -100")
        check(detector_reading(radio) == 56, "at -100 dBm it reads 56")
        watts = float(monitor.query("MEAS:POW?"))
        check(abs(watts - 4.921184) < 1e-5, "the power meter reads %.6f W" % watts)
        monitor.write("OUTP OFF")
        check(detector_reading(radio) == 10, "RF off again: the floor")
        monitor.write("BOGUS")
        check(monitor.query("SYST:ERR?") == '-113,"Undefined header"', "an unknown command is queued")
        monitor.close()
        manager.close()
        os.close(radio)
    finally:
        process.terminate()
        process.wait(timeout=10)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    main(sys.argv[1])
    print("%d failed" % failures if failures else "all passed")
    sys.exit(1 if failures else 0)
