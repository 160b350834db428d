// Runs the PHP tests under node's test runner, or reports them skipped (exit
// status 77) when php with pdo_sqlite is missing.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { phpProblem } from "./fixture.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const problem = phpProblem();
if (problem) {
    console.log(`${problem}: PHP tests skipped.`);
    process.exit(77);
}
const files = process.argv.length > 2 ? process.argv.slice(2) :
    fs.readdirSync(here).filter((f) => f.endsWith(".test.mjs")).sort().map((f) => path.join(here, f));
const result = spawnSync(process.execPath, ["--test", "--test-concurrency=1", "--test-timeout=600000", ...files],
    { stdio: "inherit", cwd: here });
process.exit(result.status === null ? 1 : result.status);
