#!/usr/bin/env bash
# Runs a command with SCRIBEON_TEST_POSTGRES naming a private PostgreSQL
# cluster, started for it and stopped after.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cluster=$(mktemp -d /tmp/scribeon-postgres.XXXXXX)
trap '"$here/postgres-cluster.sh" stop "$cluster"; rm -rf "$cluster"' EXIT
SCRIBEON_TEST_POSTGRES=$("$here/postgres-cluster.sh" start "$cluster")
export SCRIBEON_TEST_POSTGRES
"$@"
