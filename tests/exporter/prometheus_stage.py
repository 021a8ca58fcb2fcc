#!/usr/bin/env python3
"""kelvran serve scraped by a Prometheus of its own, over HTTP and over HTTPS with a password, with
the shipped alert rules, dashboard and web configuration checked against what it serves. Fails
with a message when prometheus, promtool or openssl is missing (scripts/deps installs them)."""
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
import warnings

SCENARIO = {
    "smbus": {"chips": [{"address": "0x2D"}]},
    "printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C"}]}],
    "chip": {"noise": 0, "registers": {"0x40": "0x01", "0x34": "0xB6", "0x33": "0xC9"},
             "inputs": {"v12": 12.0, "temp_ext1": 40}},
}
V12 = 12.0
TOLERANCE = 0.07  # one count of the +12V scale
PASSWORD = "lab-prometheus-secret"


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


def make_certificate(work):
    """A CA and a server certificate for 127.0.0.1 signed by it; returns the CA file."""
    script = """set -e
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key \
      -subj /CN=stage-ca -days 2 -out ca.pem
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout server.key \
      -subj /CN=127.0.0.1 -out server.csr
    printf 'subjectAltName=IP:127.0.0.1\\n' > server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
      -extfile server.ext -out server.pem
    """
    done = subprocess.run(["sh", "-c", script], cwd=work, capture_output=True, text=True)
    if done.returncode != 0:
        raise StageError(f"openssl could not make the stage's certificate:\n{done.stderr}")
    return os.path.join(work, "ca.pem")


def bcrypt(password):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        import crypt
    return crypt.crypt(password, crypt.mksalt(crypt.METHOD_BLOWFISH, rounds=1 << 10))


def start_serve(args, work, name, extra):
    """kelvran serve on the bench; returns the process, its output files and its address."""
    out = open(os.path.join(work, f"{name}.out"), "w+")
    err = open(os.path.join(work, f"{name}.err"), "w+")
    serve = subprocess.Popen([args.kelvran, "serve", f"--simulate={os.path.join(work, 'bench.json')}",
                              "--listen=127.0.0.1:0"] + extra, stdout=out, stderr=err)

    def address():
        out.seek(0)
        m = re.search(r"at https?://([0-9.]+:[0-9]+)/metrics", out.read())
        if serve.poll() is not None:
            err.seek(0)
            raise StageError(f"kelvran serve ended with {serve.returncode}: {err.read()}")
        return m and m.group(1)
    return serve, out, err, wait_for(f"kelvran serve ({name}) printed where it listens", address, 10)


def step(name):
    print(f"--- {name}", flush=True)


def run(args, work):
    for tool, package in (("prometheus", "prometheus"), ("promtool", "prometheus"),
                          ("openssl", "openssl")):
        if shutil.which(tool) is None:
            raise StageError(f"{tool} is not installed: this stage needs Debian's {package} "
                             f"package (scripts/deps installs it: apt-get install {package})")
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

    step("kelvran serve on a simulated bench, over HTTP and over HTTPS with a password")
    with open(os.path.join(work, "bench.json"), "w") as f:
        json.dump(SCENARIO, f)
    ca_file = make_certificate(work)
    web_config = os.path.join(work, "web.yml")
    with open(web_config, "w") as f:
        f.write("tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n"
                f"basic_auth_users:\n  prometheus: '{bcrypt(PASSWORD)}'\n")
    serve, _, _, exporter = start_serve(args, work, "serve", [])
    secure = None
    try:
        secure, _, _, secure_exporter = start_serve(args, work, "secure",
                                                    [f"--web-config={web_config}"])

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
            for job, password in (("kelvran-https", PASSWORD), ("kelvran-wrong-password", "guess")):
                f.write(f"  - job_name: {job}\n    scheme: https\n"
                        f"    tls_config:\n      ca_file: {ca_file}\n"
                        f"    basic_auth:\n      username: prometheus\n      password: {password}\n"
                        f"    static_configs:\n      - targets: ['{secure_exporter}']\n")
        log = open(os.path.join(work, "prometheus.log"), "w+")
        prometheus = subprocess.Popen(
            ["prometheus", f"--config.file={config}",
             f"--storage.tsdb.path={os.path.join(work, 'data')}",
             f"--web.listen-address={prometheus_address}"],
            stdout=log, stderr=subprocess.STDOUT)
        try:
            wait_for("Prometheus became ready",
                     lambda: fetch(f"http://{prometheus_address}/-/ready")[1], 30)

            def v12(job, chip="smbus/pci-0000:00:1f.4/0x2D"):
                expr = f'kelvran_voltage_volts{{job="{job}",channel="+12V",chip="{chip}"}}'
                return lambda: [float(s["value"][1]) for s in query(prometheus_address, expr)]
            [value] = wait_for("Prometheus held kelvran_voltage_volts{channel=\"+12V\"}",
                               v12("kelvran"), 20)
            if abs(value - V12) > TOLERANCE:
                raise StageError(f"Prometheus holds +12V = {value}, the bench sets {V12}")
            up = query(prometheus_address, 'up{job="kelvran"}')
            if len(up) != 1 or up[0]["value"][1] != "1":
                raise StageError(f"up{{job=\"kelvran\"}} is {up}")
            chips = query(prometheus_address, 'kelvran_up{job="kelvran"} == 1')
            if sorted(s["metric"]["chip"] for s in chips) != ["printer/port0/0x2E",
                                                             "smbus/pci-0000:00:1f.4/0x2D"]:
                raise StageError(f"kelvran_up == 1 gives {chips}")
            if not query(prometheus_address, 'kelvran_chip_info{company_id="0x41"}'):
                raise StageError("Prometheus holds no kelvran_chip_info")
            def rules_loaded():
                _, body = fetch(f"http://{prometheus_address}/api/v1/rules")
                groups = json.loads(body)["data"]["groups"]
                return sum(len(g["rules"]) for g in groups if g["name"] == "kelvran") == 10
            wait_for("Prometheus loaded the 10 alert rules", rules_loaded, 10)
            print(f"Prometheus holds +12V = {value} V and up = 1 for both chips")

            def up(job):
                series = query(prometheus_address, f'up{{job="{job}"}}')
                return series[0]["value"][1] if series else None
            [value] = wait_for("Prometheus held +12V scraped over HTTPS", v12("kelvran-https"), 20)
            if abs(value - V12) > TOLERANCE or up("kelvran-https") != "1":
                raise StageError(f"over HTTPS +12V = {value}, up = {up('kelvran-https')}")
            wrong = wait_for("Prometheus tried the wrong password",
                             lambda: up("kelvran-wrong-password"), 20)
            if wrong != "0":
                raise StageError(f"a scrape with a wrong password gives up = {wrong}")
            print(f"over HTTPS with basic auth: +12V = {value} V, up = 1; wrong password: up = 0")
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
        for process in (serve, secure):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()


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
