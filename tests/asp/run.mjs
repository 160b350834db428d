// Runs the ASP tests under node's test runner, or reports them skipped (exit
// status 77) when the packages of package-lock.json are not installed (npm ci).
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
for (const name of ["sql.js", "acorn"]) {
    if (!fs.existsSync(path.join(here, "node_modules", name, "package.json"))) {
        console.log(`node_modules/${name} is missing (run npm ci in ${here}): ASP tests skipped.`);
        process.exit(77);
    }
}
const files = process.argv.length > 2 ? process.argv.slice(2) :
    fs.readdirSync(here).filter((f) => f.endsWith(".test.mjs")).sort().map((f) => path.join(here, f));
const result = spawnSync(process.execPath, ["--test", "--test-concurrency=1", "--test-timeout=900000", ...files],
    { stdio: "inherit", cwd: here });
process.exit(result.status === null ? 1 : result.status);
