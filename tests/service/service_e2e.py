#!/usr/bin/env python3
"""End-to-end run of the installed service under Wine.

Serves the update INI files over HTTP on 127.0.0.1 port 80, runs the client
test program (which installs, exercises and removes the service), then stops
the server by its process id and makes sure the service is gone.
Usage: service_e2e.py <wine-run.sh> <client.exe> <ArkwellSvc.exe> <work dir>
"""
import os
import shutil
import socket
import subprocess
import sys
import time

CLIENT_TIMEOUT_S = 420
SERVER_START_TIMEOUT_S = 10
CLEANUP_TIMEOUT_S = 60

INI_FILES = {
    "newer.ini": "[VKP]\r\nMajor=1\r\nMinor=42\r\nURL=http://127.0.0.1/news.html\r\n"
                 "SetupURL=http://127.0.0.1/dl/VaultkeepSetup.exe\r\n",
    "same.ini": "[VKP]\r\nMajor=1\r\nMinor=41\r\nURL=http://127.0.0.1/same.html\r\n"
                "SetupURL=http://127.0.0.1/dl/VaultkeepSetup.exe\r\n",
    "nosetup.ini": "[VKP]\r\nMajor=2\r\nMinor=0\r\nURL=http://127.0.0.1/nosetup.html\r\n",
}


def wait_for_port(port, deadline):
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.1)
    return False


def main():
    wine_run, client, service_exe, work = sys.argv[1:5]
    serve = os.path.join(work, "http")
    shutil.rmtree(serve, ignore_errors=True)
    os.makedirs(serve)
    for name, text in INI_FILES.items():
        with open(os.path.join(serve, name), "w", newline="") as f:
            f.write(text)

    server = subprocess.Popen(
        [sys.executable, "-m", "http.server", "80", "--bind", "127.0.0.1", "--directory", serve],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_for_port(80, time.monotonic() + SERVER_START_TIMEOUT_S):
            print("service_e2e: the HTTP server did not start on 127.0.0.1:80", file=sys.stderr)
            return 1
        try:
            return subprocess.run([wine_run, client], stdin=subprocess.DEVNULL,
                                  timeout=CLIENT_TIMEOUT_S).returncode
        except subprocess.TimeoutExpired:
            print("service_e2e: the client did not finish in time", file=sys.stderr)
            return 1
    finally:
        server.terminate()
        try:
            server.wait(timeout=5)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait(timeout=5)
        # The client removes the service; this covers a client that died first.
        subprocess.run([wine_run, service_exe, "U"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=CLEANUP_TIMEOUT_S, check=False)


if __name__ == "__main__":
    sys.exit(main())
