"""What each benchmark's report ends with: the medians of every command's runs, and the
runs left out. Imported by the reports of bench/run.sh, bench/by.sh and bench/merge.sh."""
import statistics as st


def print_runs_table(ok):
    """Medians over the runs of each (input, command), in the order they first ran."""
    med = lambda xs: st.median(xs) if xs else None
    print("| input | command | runs | wall s | user s | system s | wait s | peak MiB |")
    print("|---|---|---|---|---|---|---|---|")
    seen = []
    for r in ok:
        if (r["input"], r["label"]) not in seen:
            seen.append((r["input"], r["label"]))
    for inp, label in seen:
        rs = [r for r in ok if r["input"] == inp and r["label"] == label]
        col = lambda k: med([float(r[k]) for r in rs])
        print(f"| {inp} | {label} | {len(rs)} | {col('wall'):.3f} | {col('user'):.2f} | {col('sys'):.2f} | "
              f"{med([float(r['wall']) - float(r['user']) - float(r['sys']) for r in rs]):.2f} | "
              f"{max(int(r['rss_kib']) for r in rs) / 1024:.1f} |")


def print_failed(bad):
    """The runs that failed or left wrong outputs, where there are any."""
    if bad:
        print()
        print(f"{len(bad)} run(s) failed or left wrong outputs and are left out: "
              + ", ".join(f"{r['input']} {r['label']} ({r['status']})" for r in bad))
