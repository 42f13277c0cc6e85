#!/usr/bin/env python3
"""Several radios at once on one computer: the example procedure run alone on one virtual
radio, then on four at once, each radio at 9600 bit/s on its own pseudo-terminal with its own
virtual service monitor and its own `qs71dr-cli run`, all into one data folder. Prints the wall
times, their ratio (bound 1.15: the line, not the computer, should take the time) and each
program's processor time, and checks that every run passed and that the records hold every run
once. Like the other benchmarks it prints figures and never fails on timing; it ends 1 only
when a run did not pass or the records are not whole.

Usage: bench/several_radios.py [--bin DIR] [--radios N] [--baud BITS]
DIR holds qs71dr-cli and qt71dr-sim (default build-bench/bin, then build/bin).
"""
import argparse
import json
import os
import pathlib
import resource
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
PROCEDURE = ROOT / "docs" / "procedures" / "virtual-bench.toml"
# The monitor address the shipped procedure names for every role.
SHIPPED_MONITOR = "TCPIP::127.0.0.1::5025::SOCKET"
BOUND = 1.15


def find_program(folders, name):
    for folder in folders:
        for candidate in (folder / name, folder.parent / "sim" / name):
            if candidate.is_file() and os.access(candidate, os.X_OK):
                return candidate
    sys.exit(f"several_radios: {name} not found in {', '.join(map(str, folders))} (build it first)")


def processor_seconds(usage):
    return usage.ru_utime + usage.ru_stime


class Radio:
    """qt71dr-sim with its monitor; its log goes to a file nobody has to empty."""

    def __init__(self, sim, baud, scratch, index):
        self.log = open(scratch / f"radio-{index}.log", "wb")
        self.process = subprocess.Popen(
            [str(sim), "--baud", str(baud), "--monitor", "0"],
            stdout=subprocess.PIPE, stderr=self.log, text=True)
        self.device = self.process.stdout.readline().strip()
        self.monitor = self.process.stdout.readline().strip().split(" ", 1)[-1]
        if not self.device or not self.monitor.startswith("TCPIP::"):
            sys.exit(f"several_radios: the virtual radio did not start ({self.device!r}, {self.monitor!r})")
        self.procedure = scratch / f"procedure-{index}.toml"
        self.procedure.write_text(PROCEDURE.read_text().replace(SHIPPED_MONITOR, self.monitor))

    def stop(self):
        """Its processor time in seconds, once it has ended."""
        self.process.terminate()
        _, _, usage = os.wait4(self.process.pid, 0)
        self.process.returncode = 0
        self.log.close()
        return processor_seconds(usage)


def run_all(cli, radios, environment, scratch, label):
    """Starts one run per radio at once; returns their documents, wall times and processor times."""
    started = time.monotonic()
    runs = {}
    for index, radio in enumerate(radios):
        out = open(scratch / f"{label}-{index}.json", "wb+")
        err = open(scratch / f"{label}-{index}.err", "wb")
        process = subprocess.Popen(
            [str(cli), "--port", radio.device, "--json", "run", str(radio.procedure), "--yes",
             "--serial", f"{label} {index + 1}"],
            stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=environment)
        runs[process.pid] = {"index": index, "process": process, "out": out, "err": err}
    while any("wall" not in run for run in runs.values()):
        pid, status, usage = os.wait4(-1, 0)
        if pid not in runs:
            continue
        run = runs[pid]
        run["process"].returncode = os.waitstatus_to_exitcode(status)
        run["wall"] = time.monotonic() - started
        run["cpu"] = processor_seconds(usage)
        run["out"].seek(0)
        try:
            run["document"] = json.loads(run["out"].read() or b"{}")
        except ValueError:
            run["document"] = {}
        run["out"].close()
        run["err"].close()
    ordered = sorted(runs.values(), key=lambda run: run["index"])
    return ordered, time.monotonic() - started


def describe(run, sim_cpu):
    verdict = run["document"].get("verdict", "no verdict (status %d)" % run["process"].returncode)
    return (f"{verdict}, {run['wall']:.1f} s wall, processor qs71dr-cli {run['cpu']:.2f} s, "
            f"qt71dr-sim {sim_cpu:.2f} s")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin", type=pathlib.Path, action="append")
    parser.add_argument("--radios", type=int, default=4)
    parser.add_argument("--baud", type=int, default=9600)
    args = parser.parse_args()
    folders = args.bin or [ROOT / "build-bench" / "bin", ROOT / "build" / "bin"]
    cli = find_program(folders, "qs71dr-cli")
    sim = find_program(folders, "qt71dr-sim")

    with tempfile.TemporaryDirectory(prefix="several-radios-") as folder:
        scratch = pathlib.Path(folder)
        # One data folder and one lock folder for every run, apart from anything else running.
        environment = dict(os.environ, XDG_DATA_HOME=str(scratch / "data"), TMPDIR=str(scratch))
        print(f"several radios at once: {args.radios} virtual radios at {args.baud} bit/s, each "
              f"with its own monitor, procedure {PROCEDURE.name}; load average at the start "
              f"{os.getloadavg()[0]:.2f}")

        alone = [Radio(sim, args.baud, scratch, 0)]
        (single,), alone_wall = run_all(cli, alone, environment, scratch, "alone")
        single_sim = alone[0].stop()
        print(f"  one run alone: {describe(single, single_sim)}")

        radios = [Radio(sim, args.baud, scratch, i + 1) for i in range(args.radios)]
        together, together_wall = run_all(cli, radios, environment, scratch, "together")
        sims = [radio.stop() for radio in radios]
        print(f"  {args.radios} runs at once: {together_wall:.1f} s wall")
        for run, sim_cpu in zip(together, sims):
            print(f"    radio {run['index'] + 1}: {describe(run, sim_cpu)}")
        ratio = together_wall / alone_wall
        print(f"  ratio {ratio:.3f} (bound {BOUND}); load average at the end {os.getloadavg()[0]:.2f}")
        print(f"  processor time of this script's children in all: "
              f"{processor_seconds(resource.getrusage(resource.RUSAGE_CHILDREN)):.2f} s")

        history = subprocess.run([str(cli), "--json", "history"], env=environment,
                                 capture_output=True, text=True)
        try:
            rows = json.loads(history.stdout).get("connections", [])
        except ValueError:
            rows = []
        serials = sorted(row.get("serialNumber", "") for row in rows)
        wanted = sorted(f"{label} {i + 1}" for label, count in (("alone", 1), ("together", args.radios))
                        for i in range(count))
        verdicts = [run["document"].get("verdict") for run in [single] + together]
        whole = serials == wanted and len({row.get("id") for row in rows}) == len(rows)
        print(f"  records: {len(rows)} connections for {len(wanted)} runs"
              f"{', each once' if whole else ', NOT whole: ' + ', '.join(serials)}")
        return 0 if whole and all(verdict == "PASS" for verdict in verdicts) else 1


if __name__ == "__main__":
    sys.exit(main())
