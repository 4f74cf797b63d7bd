#!/usr/bin/env python3
"""End-to-end run of the installed service under Wine.

Serves the update INI files over HTTP on 127.0.0.1 at a port the system
picks (so no privileged port is needed and two runs never collide), runs the
client test program with that port in VAULTKEEP_HTTP_PORT (it installs,
exercises and removes the service), then stops the server and makes sure the
service is gone.
Usage: service_e2e.py <wine-run.sh> <client.exe> <ArkwellSvc.exe> <work dir>
"""
import functools
import http.server
import os
import shutil
import subprocess
import sys
import threading

CLIENT_TIMEOUT_S = 420
CLEANUP_TIMEOUT_S = 60
# /drip answers a long body one byte at a time, each well within a read's
# time-out: a check against it runs until its deadline or the service's stop.
DRIP_PATH = "/drip"
DRIP_BYTES = 60000  # below the largest INI the service takes
DRIP_GAP_S = 0.1

INI_FILES = {
    "newer.ini": "[VKP]\r\nMajor=1\r\nMinor=42\r\nURL=http://127.0.0.1/news.html\r\n"
                 "SetupURL=http://127.0.0.1/dl/VaultkeepSetup.exe\r\n",
    "same.ini": "[VKP]\r\nMajor=1\r\nMinor=41\r\nURL=http://127.0.0.1/same.html\r\n"
                "SetupURL=http://127.0.0.1/dl/VaultkeepSetup.exe\r\n",
    "nosetup.ini": "[VKP]\r\nMajor=2\r\nMinor=0\r\nURL=http://127.0.0.1/nosetup.html\r\n",
}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path != DRIP_PATH:
            return super().do_GET()
        self.send_response(200)
        self.send_header("Content-Length", str(DRIP_BYTES))
        self.end_headers()
        try:
            for _ in range(DRIP_BYTES):
                self.wfile.write(b"x")
                self.wfile.flush()
                threading.Event().wait(DRIP_GAP_S)
        except OSError:
            pass  # the service closed the request


def main():
    wine_run, client, service_exe, work = sys.argv[1:5]
    serve = os.path.join(work, "http")
    shutil.rmtree(serve, ignore_errors=True)
    os.makedirs(serve)
    for name, text in INI_FILES.items():
        with open(os.path.join(serve, name), "w", newline="") as f:
            f.write(text)

    handler = functools.partial(QuietHandler, directory=serve)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        env = dict(os.environ, VAULTKEEP_HTTP_PORT=str(server.server_address[1]))
        try:
            return subprocess.run([wine_run, client], env=env, stdin=subprocess.DEVNULL,
                                  timeout=CLIENT_TIMEOUT_S).returncode
        except subprocess.TimeoutExpired:
            print("service_e2e: the client did not finish in time", file=sys.stderr)
            return 1
    finally:
        server.shutdown()
        server.server_close()
        # The client removes the service; this covers a client that died first.
        subprocess.run([wine_run, service_exe, "U"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=CLEANUP_TIMEOUT_S, check=False)


if __name__ == "__main__":
    sys.exit(main())
