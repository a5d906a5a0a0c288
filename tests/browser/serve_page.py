# Serves this folder on 127.0.0.1 at a port of the system's choosing, printing
# the port first. Used by the browser test and its measurements.
import functools
import http.server
import os
import sys


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
server = http.server.HTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=folder))
print(server.server_address[1], flush=True)
server.serve_forever()
