#!/usr/bin/env python3
"""The fleet recipe's Velociraptor artifact, as far as it can be checked
without Velociraptor (Debian has none): its YAML and its fields, the tool it
fetches, and its command line, run with the native scanner over the test
modules, whose rows must be jsonl that --compare reads.

    fleet_artifact_check.py ARTIFACT.yaml MODARIS_SCAN COMPARE_TOOL MODULE_DIR
"""
import json
import os
import re
import subprocess
import sys
import tempfile

import yaml


def fail(message):
    print("fleet artifact: " + message, file=sys.stderr)
    sys.exit(1)


def command_line(query, tool, values):
    """The execve() argv of the query, with the tool's path and the
    parameters' values put in."""
    found = re.search(r"argv=\[(.*?)\],\s*sep=", query, re.S)
    if not found:
        fail("no execve(argv=[...], sep=...) in the query")
    argv = [""]
    for token in re.findall(r'"(?:[^"\\]|\\.)*"|[A-Za-z_][\w\[\].]*|[+,]|\S', found.group(1)):
        if token == ",":
            argv.append("")
        elif token == "+":
            continue
        elif token == "Tool[0].OSPath":
            argv[-1] += tool
        elif token.startswith('"'):
            argv[-1] += json.loads(token)
        elif token in values:
            argv[-1] += values[token]
        else:
            fail("argv names '%s', which is no parameter" % token)
    return argv


def main():
    artifact_path, scan, compare_tool, modules = sys.argv[1:5]
    artifact = yaml.safe_load(open(artifact_path))
    for key in ("name", "description", "type", "tools", "parameters", "sources"):
        if key not in artifact:
            fail("no '%s'" % key)
    if artifact["type"] != "CLIENT":
        fail("type is %r, not CLIENT" % artifact["type"])
    tools = {tool["name"] for tool in artifact["tools"]}
    query = artifact["sources"][0]["query"]
    fetched = re.findall(r'FetchBinary\(ToolName="([^"]+)"\)', query)
    if not fetched or any(name not in tools for name in fetched):
        fail("FetchBinary asks for %s; the tools are %s" % (fetched, sorted(tools)))
    for needed in ("execve(", "parse_jsonl(", 'sep="\\n"'):
        if needed not in query:
            fail("the query has no %s" % needed)
    values = {parameter["name"]: parameter.get("default", "") for parameter in artifact["parameters"]}
    values["Directories"] = modules
    argv = command_line(query, scan, values)
    run = subprocess.run(argv, capture_output=True)
    if run.returncode != 0:
        fail("%s exited %d: %s" % (argv, run.returncode, run.stderr.decode(errors="replace")))
    lines = run.stdout.decode().splitlines()
    rows = [json.loads(line) for line in lines]
    if not rows or any("fileName" not in row or "host" not in row for row in rows):
        fail("the scan gave no rows, or rows without fileName and host")
    with tempfile.TemporaryDirectory() as folder:
        baseline = os.path.join(folder, "baseline.jsonl")
        client = os.path.join(folder, "client.jsonl")
        open(baseline, "wb").write(run.stdout)
        rows[0]["fileVersionNumber"] = "9.9.9.9"
        open(client, "w").write("".join(json.dumps(row) + "\n" for row in rows))
        same = subprocess.run([compare_tool, "-q", baseline, baseline], capture_output=True)
        changed = subprocess.run([compare_tool, "-q", baseline, client], capture_output=True)
        if same.returncode != 0 or changed.returncode != 1 or b"9.9.9.9" not in changed.stdout:
            fail("--compare of the artifact's rows: %d and %d" % (same.returncode, changed.returncode))
    print("fleet artifact: %d rows, compared" % len(rows))


main()
