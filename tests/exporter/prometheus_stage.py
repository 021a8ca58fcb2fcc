#!/usr/bin/env python3
"""kelvran serve scraped by a Prometheus of its own, with the shipped alert rules, dashboard and
web configuration checked against what it serves. Fails with a message when prometheus or
promtool is missing (scripts/deps installs them)."""
import argparse
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SCENARIO = {
    "smbus": {"chips": [{"address": "0x2D"}]},
    "chip": {"noise": 0, "registers": {"0x40": "0x01", "0x34": "0xB6", "0x33": "0xC9"},
             "inputs": {"v12": 12.0, "temp_ext1": 40}},
}
V12 = 12.0
TOLERANCE = 0.07  # one count of the +12V scale


class StageError(Exception):
    pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def fetch(url, accept=None, timeout=5):
    request = urllib.request.Request(url, headers={"Accept": accept} if accept else {})
    with urllib.request.urlopen(request, timeout=timeout) as answer:
        return answer.headers.get("Content-Type", ""), answer.read().decode("utf-8")


def wait_for(what, check, seconds):
    deadline = time.monotonic() + seconds
    last = None
    while time.monotonic() < deadline:
        try:
            result = check()
            if result:
                return result
        except Exception as e:  # not up yet
            last = e
        time.sleep(0.25)
    raise StageError(f"{what} within {seconds} s" + (f" (last error: {last})" if last else ""))


def query(prometheus, expr):
    url = f"http://{prometheus}/api/v1/query?" + urllib.parse.urlencode({"query": expr})
    _, body = fetch(url)
    answer = json.loads(body)
    if answer.get("status") != "success":
        raise StageError(f"Prometheus refused {expr}: {body}")
    return answer["data"]["result"]


def kelvran_names(text):
    """Every kelvran_* name in a text: an exposition, a rules file, a dashboard's JSON."""
    return set(re.findall(r"\bkelvran_[a-z0-9_]+", text))


def start_serve(args, work):
    """kelvran serve on the bench; returns the process and its address."""
    out = open(os.path.join(work, "serve.out"), "w+")
    err = open(os.path.join(work, "serve.err"), "w+")
    serve = subprocess.Popen([args.kelvran, "serve", f"--simulate={os.path.join(work, 'bench.json')}",
                              "--listen=127.0.0.1:0"], stdout=out, stderr=err)

    def address():
        out.seek(0)
        m = re.search(r"at http://([0-9.]+:[0-9]+)/metrics", out.read())
        if serve.poll() is not None:
            err.seek(0)
            raise StageError(f"kelvran serve ended with {serve.returncode}: {err.read()}")
        return m and m.group(1)
    return serve, wait_for("kelvran serve printed where it listens", address, 10)


def step(name):
    print(f"--- {name}", flush=True)


def run(args, work):
    for tool in ("prometheus", "promtool"):
        if shutil.which(tool) is None:
            raise StageError(f"{tool} is not installed: this stage needs Debian's prometheus "
                             "package (scripts/deps installs it: apt-get install prometheus)")
    source = os.path.abspath(args.source)
    rules = os.path.join(source, "packaging/prometheus/kelvran-alerts.yml")
    rules_test = os.path.join(source, "tests/exporter/alert_rules_test.yml")
    dashboard = os.path.join(source, "packaging/prometheus/kelvran-dashboard.json")

    bench_config = os.path.join(source, "packaging/prometheus/prometheus-bench.yml")

    step("promtool check rules, promtool test rules, promtool check config")
    for command in (["promtool", "check", "rules", rules], ["promtool", "test", "rules", rules_test],
                    ["promtool", "check", "config", bench_config]):
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            raise StageError(f"{' '.join(command)} failed:\n{done.stdout}{done.stderr}")

    step("the shipped example web configuration reads, up to the certificate it names")
    example = os.path.join(source, "packaging/systemd/web-config.yml")
    done = subprocess.run([args.kelvran, "serve", "--simulate", f"--web-config={example}"],
                          capture_output=True, text=True, timeout=10)
    if done.returncode != 2 or "cert_file /etc/kelvran/kelvran.pem cannot be read" not in done.stderr:
        raise StageError(f"kelvran serve --web-config={example} ended with {done.returncode}: "
                         f"{done.stderr}")

    step("kelvran serve on a simulated bench")
    with open(os.path.join(work, "bench.json"), "w") as f:
        json.dump(SCENARIO, f)
    serve, exporter = start_serve(args, work)
    try:
        step("promtool check metrics on a scrape")
        _, text = fetch(f"http://{exporter}/metrics")
        lint = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True,
                              text=True)
        if lint.returncode != 0 or lint.stdout.strip() or lint.stderr.strip():
            raise StageError(f"promtool check metrics: {lint.stdout}{lint.stderr}")
        served = kelvran_names(text)
        content_type, om = fetch(f"http://{exporter}/metrics",
                                 accept="application/openmetrics-text;version=1.0.0")
        if not content_type.startswith("application/openmetrics-text") or not om.endswith("# EOF\n"):
            raise StageError(f"an OpenMetrics scrape came as {content_type}")

        step("the dashboard names only metrics the exporter serves")
        with open(dashboard) as f:
            named = kelvran_names(json.dumps(json.load(f)))
        with open(rules) as f:
            named_in_rules = kelvran_names(f.read())
        if not named or named - served or named_in_rules - served:
            raise StageError("the dashboard and alert rules name metrics the exporter does not "
                             f"serve: {(named | named_in_rules) - served} (dashboard: {named})")

        step("Prometheus scrapes it")
        prometheus_address = f"127.0.0.1:{free_port()}"
        config = os.path.join(work, "prometheus.yml")
        with open(config, "w") as f:
            f.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                    f"rule_files:\n  - {rules}\n"
                    "scrape_configs:\n  - job_name: kelvran\n    static_configs:\n"
                    f"      - targets: ['{exporter}']\n")
        log = open(os.path.join(work, "prometheus.log"), "w+")
        prometheus = subprocess.Popen(
            ["prometheus", f"--config.file={config}",
             f"--storage.tsdb.path={os.path.join(work, 'data')}",
             f"--web.listen-address={prometheus_address}"],
            stdout=log, stderr=subprocess.STDOUT)
        try:
            wait_for("Prometheus became ready",
                     lambda: fetch(f"http://{prometheus_address}/-/ready")[1], 30)
            expr = 'kelvran_voltage_volts{channel="+12V",chip="smbus/pci-0000:00:1f.4/0x2D"}'
            [value] = wait_for(f"Prometheus held {expr}", lambda: [
                float(s["value"][1]) for s in query(prometheus_address, expr)], 20)
            if abs(value - V12) > TOLERANCE:
                raise StageError(f"Prometheus holds {expr} = {value}, the bench sets {V12}")
            print(f"Prometheus holds +12V = {value} V")
        except Exception:
            log.seek(0)
            print("Prometheus's log, last lines:\n" + "".join(log.readlines()[-20:]), flush=True)
            raise
        finally:
            prometheus.terminate()
            try:
                prometheus.wait(timeout=20)
            except subprocess.TimeoutExpired:
                prometheus.kill()
                prometheus.wait()

    finally:
        serve.kill()
        serve.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--kelvran", required=True)
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="kelvran-prometheus-")
    try:
        run(args, work)
    except StageError as e:
        print(f"prometheus stage: FAILED: {e}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("prometheus stage: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
