#!/usr/bin/python3
# The Kubernetes manifests of scripts/k8s are parsed (no cluster runs here)
# and checked for what would make them fail on one: the Indexed Job's
# completions and the N of --shard k8s/N agree, the pods never restart in
# place, every mount names a volume, the shards and the finish share one
# claim and one output folder. Exit 77 (skipped) without python3-yaml.
#
#   k8s_manifests.py SOURCE_DIR
import os
import re
import shlex
import sys

try:
    import yaml
except ImportError:
    print("SKIP: python3-yaml is not installed (scripts/bootstrap installs it)")
    sys.exit(77)

folder = os.path.join(sys.argv[1], "scripts", "k8s")
problems = []


def check(condition, what):
    if not condition:
        problems.append(what)
    return condition


def load(name):
    with open(os.path.join(folder, name), encoding="utf-8") as f:
        documents = [d for d in yaml.safe_load_all(f) if d is not None]
    check(len(documents) == 1, f"{name}: expected one document, found {len(documents)}")
    job = documents[0]
    check(job.get("apiVersion") == "batch/v1" and job.get("kind") == "Job", f"{name}: not a batch/v1 Job")
    return job


def pod(name, job):
    pod_body = job["spec"]["template"]["spec"]
    check(pod_body.get("restartPolicy") == "Never", f"{name}: restartPolicy must be Never")
    (container,) = pod_body["containers"]
    volumes = {v["name"]: v for v in pod_body.get("volumes", [])}
    mounts = container.get("volumeMounts", [])
    for m in mounts:
        check(m["name"] in volumes, f"{name}: mount {m['name']} names no volume")
    claims = {v["persistentVolumeClaim"]["claimName"] for v in volumes.values() if "persistentVolumeClaim" in v}
    argv = container.get("command", []) + container.get("args", [])
    # The kuvo-batch command, also where a shell script (sh -c) runs it.
    commands = [argv]
    if len(argv) >= 3 and argv[1] == "-c":
        commands = [shlex.split(c) for c in re.split(r";|&&|\|\|", argv[2])]
    words = next((c for c in commands if c and c[0] == "kuvo-batch"), [])
    check(words, f"{name}: runs no kuvo-batch")
    paths = [w for w in words if w.startswith("/")]
    for p in paths:
        check(any(p.startswith(m["mountPath"].rstrip("/") + "/") for m in mounts), f"{name}: {p} is on no mount")
    return words, claims


def value(words, option):
    return words[words.index(option) + 1] if option in words and words.index(option) + 1 < len(words) else None


shards = load("kuvo-shards.yaml")
finish = load("kuvo-finish.yaml")
array = shards["spec"]
check(array.get("completionMode") == "Indexed", "kuvo-shards.yaml: completionMode must be Indexed")
shard_words, shard_claims = pod("kuvo-shards.yaml", shards)
finish_words, finish_claims = pod("kuvo-finish.yaml", finish)
split = re.fullmatch(r"k8s/(\d+)", value(shard_words, "--shard") or "")
if check(split, "kuvo-shards.yaml: no --shard k8s/N"):
    n = int(split.group(1))
    check(array.get("completions") == n, f"kuvo-shards.yaml: completions {array.get('completions')} but --shard k8s/{n}")
    check(1 <= array.get("parallelism", 1) <= n, "kuvo-shards.yaml: parallelism beyond the shard count")
check(value(shard_words, "-o") is not None and value(shard_words, "-o") == value(finish_words, "--finish"),
      "the finish Job merges another folder than the shards write")
check(shard_claims and shard_claims == finish_claims, "the shards and the finish use different volumes")
check(finish["spec"].get("backoffLimit") == 0, "kuvo-finish.yaml: a failed picture must not run the finish again")

for p in problems:
    print("FAIL:", p)
if problems:
    sys.exit(1)
print("PASS: scripts/k8s parses and its Jobs agree")
