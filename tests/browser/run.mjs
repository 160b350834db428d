// Runs the browser tests under node's test runner, one file at a time (each
// starts its own browser), or reports them skipped (exit status 77) when no
// Chromium is installed.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { findChromium } from "./cdp.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
if (!findChromium()) {
    console.log("No Chromium found (install chromium or set FINDLARK_CHROMIUM): browser tests skipped.");
    process.exit(77);
}
const files = process.argv.length > 2 ? process.argv.slice(2) :
    fs.readdirSync(here).filter((f) => f.endsWith(".test.mjs")).sort().map((f) => path.join(here, f));
const result = spawnSync(process.execPath, ["--test", "--test-concurrency=1", "--test-timeout=180000", ...files], { stdio: "inherit", cwd: here });
process.exit(result.status === null ? 1 : result.status);
