#!/usr/bin/python3
"""The 21-stage design chain and sweep against scipy.signal.freqs_zpk, side by side.

Builds the design that BM_DesignChainAndSweep/21 designs (the start-up design at
order 21, 2000 intervals, 10 nF) with stelvane-cli, turns its parts into the
cascade's zeros, poles and gain, checks that scipy's gain agrees with the
program's, and then times, in turns, scipy's complex response at the same 2001
frequencies and the benchmark. Prints the medians of both and their ratio.

usage: bench/scipy_compare.py [BUILD_DIR] [--rounds N]
       (BUILD_DIR holds tools/stelvane-cli and bench/stelvane_bench_engine,
        built with -DSTELVANE_BENCH=ON in Release or RelWithDebInfo; default build)
"""

import argparse
import json
import statistics
import subprocess
import sys
import time
from pathlib import Path

import numpy as np
import scipy
import scipy.signal


def cascade_zpk(design):
    """Zeros, poles and gain of the cascade of ideal-opamp MFB stages.

    Each stage is H(s) = -s R3 C1 / (s^2 R1 R3 C1 C2 + s R1 (C1 + C2) + 1 + R1/R2).
    """
    zeros, poles, gain = [], [], 1.0
    for stage in design["stages"]:
        r1, r2, r3 = stage["R"]
        c1, c2 = stage["C"]
        a2, a1, a0 = r1 * r3 * c1 * c2, r1 * (c1 + c2), 1 + r1 / r2
        zeros.append(0.0)
        poles.extend(np.roots([a2, a1, a0]))
        gain *= -r3 * c1 / a2
    return np.array(zeros), np.array(poles), gain


def time_scipy(z, p, k, w, seconds=0.5):
    """Median wall and CPU time of one freqs_zpk call, in microseconds."""
    walls, cpus = [], []
    deadline = time.perf_counter() + seconds
    while time.perf_counter() < deadline or len(walls) < 20:
        w0, c0 = time.perf_counter(), time.process_time()
        scipy.signal.freqs_zpk(z, p, k, worN=w)
        walls.append((time.perf_counter() - w0) * 1e6)
        cpus.append((time.process_time() - c0) * 1e6)
    return statistics.median(walls), statistics.median(cpus)


def time_benchmark(bench):
    """Wall and CPU time of BM_DesignChainAndSweep/21 in microseconds."""
    out = subprocess.run(
        [bench, "--benchmark_filter=^BM_DesignChainAndSweep/21$", "--benchmark_min_time=0.5",
         "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    run = json.loads(out)["benchmarks"][0]
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[run["time_unit"]]
    return run["real_time"] * scale, run["cpu_time"] * scale


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default=str(Path(__file__).resolve().parent.parent / "build"))
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    build = Path(args.build)
    cli, bench = build / "tools" / "stelvane-cli", build / "bench" / "stelvane_bench_engine"
    for program in (cli, bench):
        if not program.exists():
            sys.exit(f"scipy_compare: {program} is missing; build with -DSTELVANE_BENCH=ON")

    design = json.loads(subprocess.run([cli, "--order", "21", "--intervals", "2000", "--json"],
                                       check=True, capture_output=True, text=True).stdout)
    z, p, k = cascade_zpk(design)
    freq = np.array(design["sweep"]["Freq"], dtype=float)
    w = 2 * np.pi * freq
    h = scipy.signal.freqs_zpk(z, p, k, worN=w)[1]
    worst = np.max(np.abs(20 * np.log10(np.abs(h)) - np.array(design["sweep"]["GainDB"])))
    print(f"design: {len(design['stages'])} stages, {len(freq)} points; scipy {scipy.__version__}, "
          f"numpy {np.__version__}; largest gain difference {worst:.2g} dB")

    scipy_wall, scipy_cpu, ours_wall, ours_cpu = [], [], [], []
    for _ in range(args.rounds):
        wall, cpu = time_scipy(z, p, k, w)
        scipy_wall.append(wall)
        scipy_cpu.append(cpu)
        wall, cpu = time_benchmark(bench)
        ours_wall.append(wall)
        ours_cpu.append(cpu)

    sw, sc = statistics.median(scipy_wall), statistics.median(scipy_cpu)
    ow, oc = statistics.median(ours_wall), statistics.median(ours_cpu)
    print(f"medians of {args.rounds} rounds, taken in turns:")
    print(f"  scipy.signal.freqs_zpk             {sw:8.1f} us wall {sc:8.1f} us CPU")
    print(f"  BM_DesignChainAndSweep/21          {ow:8.1f} us wall {oc:8.1f} us CPU")
    print(f"  Stelvane is {sw / ow:.2f} times as fast (wall), {sc / oc:.2f} times (CPU)")


if __name__ == "__main__":
    main()
