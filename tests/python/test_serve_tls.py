"""kelvran serve behind a web configuration file: HTTPS, passwords and client certificates."""
import http.client
import os
import re
import shutil
import socket
import ssl
import subprocess
import warnings
from collections import namedtuple

import pytest

# "secret" at bcrypt's lowest cost, written as $2y$ as htpasswd writes it
SECRET = "$2y$04$abcdefghijklmnopqrstuu2r9OfJnfCsdneAXAGHnS4UpFFP8WIrW"
PROM = "Basic cHJvbTpzZWNyZXQ="  # prom:secret

Answer = namedtuple("Answer", "status headers body server")  # status 0: no TLS session


@pytest.fixture(scope="module")
def pki(tmp_path_factory):
    """A lab CA with two server certificates for 127.0.0.1 (to replace one by the other) and a
    client certificate, and a client certificate from another CA, made for this run."""
    assert shutil.which("openssl"), "openssl is missing (scripts/deps installs it)"
    work = tmp_path_factory.mktemp("pki")
    subprocess.run(["sh", "-c", r"""set -e
      key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out $1.key; }
      ca() { key $1; openssl req -x509 -new -key $1.key -subj /CN=$1 -days 2 -out $1.pem; }
      leaf() {  # name, CA, extension
        key $1; openssl req -new -key $1.key -subj /CN=$1 -out $1.csr; echo "$3" > $1.ext
        openssl x509 -req -in $1.csr -CA $2.pem -CAkey $2.key -CAcreateserial -days 2 \
          -extfile $1.ext -out $1.pem
      }
      ca lab-ca; ca other-ca
      leaf server-a lab-ca subjectAltName=IP:127.0.0.1
      leaf server-b lab-ca subjectAltName=IP:127.0.0.1
      leaf prometheus lab-ca extendedKeyUsage=clientAuth
      leaf stranger other-ca extendedKeyUsage=clientAuth"""], cwd=work, check=True,
                   capture_output=True,
                   env={k: v for k, v in os.environ.items() if k != "LD_PRELOAD"})
    return work


def tls(pki, cert, more=""):
    return (f"tls_server_config:\n  cert_file: {pki}/{cert}.pem\n"
            f"  key_file: {pki}/{cert}.key\n{more}")


class Server:
    """A running kelvran serve on the simulator and the web configuration file it was given."""

    def __init__(self, address, config, err, pki):
        self.address, self.config, self.err, self.pki = address, config, err, pki

    def scrape(self, authorization=None, cert=None, tls11=False):
        """GET /metrics over TLS, trusting only the lab CA."""
        context = ssl.create_default_context(cafile=self.pki / "lab-ca.pem")
        if cert:
            context.load_cert_chain(self.pki / f"{cert}.pem", self.pki / f"{cert}.key")
        if tls11:
            with warnings.catch_warnings():
                warnings.simplefilter("ignore", DeprecationWarning)
                context.minimum_version = ssl.TLSVersion.TLSv1
                context.maximum_version = ssl.TLSVersion.TLSv1_1
            context.set_ciphers("ALL:@SECLEVEL=0")
        host, port = self.address.split(":")
        connection = http.client.HTTPSConnection(host, int(port), context=context, timeout=5)
        try:
            connection.connect()
            server = dict(n[0] for n in connection.sock.getpeercert()["subject"])["commonName"]
            connection.request("GET", "/metrics",
                               headers={"Authorization": authorization} if authorization else {})
            answer = connection.getresponse()
            return Answer(answer.status, answer.headers, answer.read().decode(), server)
        except (ssl.SSLError, ConnectionError):
            return Answer(0, {}, "", None)
        finally:
            connection.close()

    def said(self):
        """What it wrote to standard error, line by line."""
        self.err.seek(0)
        return self.err.read().splitlines()


@pytest.fixture
def serve(kelvran_program, pki, tmp_path):
    started = []

    def start(yaml):
        config = tmp_path / "web.yml"
        config.write_text(yaml)
        err = open(tmp_path / f"serve{len(started)}.err", "w+")
        process = subprocess.Popen([kelvran_program, "serve", "--simulate", "--listen=127.0.0.1:0",
                                    f"--web-config={config}"], stdout=subprocess.PIPE, stderr=err,
                                   text=True)
        started.append(process)
        first = process.stdout.readline()
        address = re.search(r"at https://([0-9.]+:[0-9]+)/metrics", first)
        assert address, first + open(err.name).read()
        return Server(address.group(1), config, err, pki)
    yield start
    for process in started:
        process.terminate()
        process.wait(10)


def test_https_with_passwords_serves_only_the_right_ones(serve, pki):
    server = serve(tls(pki, "server-a", f"basic_auth_users:\n  prom: '{SECRET}'\n"
                       "http_server_config:\n  headers:\n    X-Frame-Options: deny\n"))
    refused = server.scrape()
    assert refused.status == 401 and refused.headers["WWW-Authenticate"] == 'Basic realm="kelvran"'
    assert "kelvran_up" not in refused.body
    served = server.scrape(PROM)
    assert served.status == 200 and "kelvran_up{" in served.body
    assert served.headers["X-Frame-Options"] == "deny"

    # Plain HTTP gets no metrics, and neither does a client that speaks only TLS 1.1.
    with socket.create_connection(server.address.split(":"), timeout=5) as plain:
        plain.sendall(b"GET /metrics HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n")
        try:
            assert b"kelvran_" not in plain.recv(65536)
        except (TimeoutError, ConnectionError):
            pass
    assert server.scrape(PROM, tls11=True).status == 0


def test_client_certificates_from_the_configured_ca_only(serve, pki):
    verify = f"  client_ca_file: {pki}/lab-ca.pem\n  client_auth_type: "
    server = serve(tls(pki, "server-a", verify + "RequireAndVerifyClientCert\n"))
    assert [server.scrape(cert=c).status for c in ("prometheus", None, "stranger")] == [200, 0, 0]
    # The same file with another policy: any certificate, checked or not, and none.
    server.config.write_text(tls(pki, "server-a", "  client_auth_type: RequireAnyClientCert\n"))
    assert [server.scrape(cert=c).status for c in ("stranger", None)] == [200, 0]
    server.config.write_text(tls(pki, "server-a", verify + "VerifyClientCertIfGiven\n"))
    assert [server.scrape(cert=c).status for c in (None, "stranger")] == [200, 0]


# A renewed certificate is served from the next connection; a broken file leaves the last good one
# in force and is reported once.
def test_reads_the_files_again_when_they_change(serve, pki):
    for part in ("pem", "key"):
        shutil.copy(pki / f"server-a.{part}", pki / f"live.{part}")
    server = serve(tls(pki, "live"))
    assert server.scrape().server == "server-a"
    for part in ("pem", "key"):
        shutil.copy(pki / f"server-b.{part}", pki / f"next.{part}")
        os.rename(pki / f"next.{part}", pki / f"live.{part}")
    assert server.scrape().server == "server-b"

    server.config.write_text(tls(pki, "live", "  min_versoin: TLS13\n"))
    for _ in range(2):
        kept = server.scrape()
        assert (kept.status, kept.server) == (200, "server-b")
    said = [line for line in server.said() if str(server.config) in line]
    assert len(said) == 2, "read again, then refused once"
    assert f"read {server.config} again" in said[0]
    assert f"{server.config}: line 4: tls_server_config.min_versoin: unknown key" in said[1]
    assert "the version read before stays in force" in said[1]

    (pki / "live.pem").write_text("-----BEGIN CERTIFICATE-----\nhalf\n")
    server.config.write_text(tls(pki, "live"))
    assert server.scrape().server == "server-b"
    assert "cert_file" in server.said()[-1]
