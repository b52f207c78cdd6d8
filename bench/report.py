#!/usr/bin/env python3
"""Turns the raw results of bench/run into Markdown tables (arguments: the results folder and the
seconds of play): the figures at scale 1, then the scaled ones beside them."""
import json
import math
import os
import sys


def pct(values, q):
    """Nearest-rank percentile."""
    v = sorted(values)
    return v[max(0, min(len(v) - 1, math.ceil(q * len(v)) - 1))]


def keyvals(path):
    kv, rows = {}, []
    with open(path) as f:
        for line in f:
            a, b = line.split()
            if a.lstrip('-').isdigit():
                rows.append((int(a), int(b)))
            else:
                kv[a] = int(b)
    return kv, rows


def game(out, mode):
    probe, frames = keyvals(os.path.join(out, f'frames-{mode}.txt'))
    outside, _ = keyvals(os.path.join(out, f'outside-{mode}.txt'))
    ticks = [b[0] - a[0] for a, b in zip(frames, frames[1:])]
    real = [(b[1] - a[1]) / 1e6 for a, b in zip(frames, frames[1:])]
    wall_s = outside['wall_ns'] / 1e9
    return {
        'frames': len(frames),
        'tick_med': pct(ticks, 0.5), 'tick_p99': pct(ticks, 0.99), 'tick_max': max(ticks),
        'real_med': pct(real, 0.5), 'real_p99': pct(real, 0.99),
        'cpu': 100.0 * outside['cpu_ticks'] / outside['clk_tck'] / wall_s,
        'cpu_main': 100.0 * outside['main_thread_ticks'] / outside['clk_tck'] / wall_s,
        'startup_ms': (probe['first_present_ns'] - outside['exec_ns']) / 1e6,
        'main_ms': (probe['main_ns'] - outside['exec_ns']) / 1e6,
        'rss_mb': probe['vmhwm_kb'] / 1024.0,
    }


def frame_bench(out, mode=None):
    name = f'frame-{mode}.json' if mode else 'frame.json'
    with open(os.path.join(out, name)) as f:
        return {b['name'].split('/')[0]: b for b in json.load(f)['benchmarks']}


def scaled(out, seconds):
    """Scale 1 beside the window at scale 2 and fullscreen on 1920 x 1080, sharp and smooth."""
    columns = [('scale 1 (1024 x 768 screen)', frame_bench(out), game(out, 'sleep')),
               ('scale 2 window (1920 x 1080)', frame_bench(out, 'scale2'), game(out, 'scale2')),
               ('fullscreen 1920 x 1080, scale 2', frame_bench(out, 'fullscreen'), game(out, 'fullscreen')),
               ('fullscreen, smooth', frame_bench(out, 'smooth'), game(out, 'smooth'))]

    def row(label, cell, target=''):
        print(f"| {label} | " + ' | '.join(cell(b, g) for _, b, g in columns) + f" | {target} |")

    print()
    print('| measure | ' + ' | '.join(c[0] for c in columns) + ' | Target (scale 2, fullscreen) |')
    print('|---|' + '---|' * len(columns) + '---|')
    row('Frame work, one pass incl. present: median (p99)',
        lambda b, g: f"{b['BM_FramePass']['median_us']:.0f} µs ({b['BM_FramePass']['p99_us']:.0f})", '≤ 1000 µs')
    row('&nbsp;&nbsp;of which present: median (p99)',
        lambda b, g: f"{b['BM_Present']['median_us']:.0f} µs ({b['BM_Present']['p99_us']:.0f})")
    row(f'CPU during a {seconds} s game: process; main thread',
        lambda b, g: f"{g['cpu']:.1f} %; {g['cpu_main']:.1f} %", '≤ 6 %')
    row('Pacing (tick readings): median, p99, max',
        lambda b, g: f"{g['tick_med']}, {g['tick_p99']}, {g['tick_max']} ms ({g['frames']} frames)")
    row('Start-up to the first presented frame', lambda b, g: f"{g['startup_ms']:.0f} ms")
    row('Peak RSS (VmHWM)', lambda b, g: f"{g['rss_mb']:.1f} MB")


def main():
    out, seconds = sys.argv[1], sys.argv[2]
    bench = frame_bench(out)
    s, p = game(out, 'sleep'), game(out, 'spin')
    fp = bench['BM_FramePass']

    def ok(good):
        return 'met' if good else '**missed**'

    print(f'| measure | Figure | Target | |')
    print(f'|---|---|---|---|')
    print(f"| Frame work, one pass incl. present (wall) | median {fp['median_us']:.0f} µs, p99 {fp['p99_us']:.0f} µs "
          f"(mean CPU {fp['cpu_time']:.0f} µs) | median ≤ 300 µs | {ok(fp['median_us'] <= 300)} |")
    for name, label in [('BM_DrawFrame', 'DrawFrame'), ('BM_UpdateWorld', 'UpdateWorld'),
                        ('BM_Compose', 'compose the window'), ('BM_Present', 'present (convert + upload)')]:
        b = bench[name]
        print(f"| &nbsp;&nbsp;of which {label} | median {b['median_us']:.1f} µs, p99 {b['p99_us']:.1f} µs | | |")
    print(f"| Pacing, loopBrake 20, {seconds} s game (tick readings) | median {s['tick_med']} ms, p99 {s['tick_p99']} ms, "
          f"max {s['tick_max']} ms, {s['frames']} frames | median 21, p99 ≤ 23 | "
          f"{ok(s['tick_med'] == 21 and s['tick_p99'] <= 23)} |")
    print(f"| Pacing (monotonic clock) | median {s['real_med']:.3f} ms, p99 {s['real_p99']:.3f} ms | | |")
    print(f"| CPU during play (process; main thread) | {s['cpu']:.1f} %; {s['cpu_main']:.1f} % of one core | ≤ 5 % | "
          f"{ok(s['cpu'] <= 5)} |")
    print(f"| Start-up, exec → first presented menu frame | {s['startup_ms']:.0f} ms (exec → main {s['main_ms']:.0f} ms) "
          f"| ≤ 300 ms | {ok(s['startup_ms'] <= 300)} |")
    print(f"| Peak RSS (VmHWM), music loaded | {s['rss_mb']:.1f} MB | ≤ 80 MB | {ok(s['rss_mb'] <= 80)} |")
    print(f"| Spin wait: pacing (tick readings) | median {p['tick_med']} ms, p99 {p['tick_p99']} ms, max {p['tick_max']} ms "
          f"| for comparison | |")
    print(f"| Spin wait: pacing (monotonic clock) | median {p['real_med']:.3f} ms, p99 {p['real_p99']:.3f} ms | | |")
    print(f"| Spin wait: CPU (process; main thread) | {p['cpu']:.1f} %; {p['cpu_main']:.1f} % | ≈ 100 % | |")
    scaled(out, seconds)


main()
