// search.php on a MariaDB server: a run of a PHP profile with the server database writes its index
// there, and the page, reading it through a read-only account named in a file outside the published
// folder, gives the browser engine's results byte for byte. Skipped where MariaDB's server is not
// installed.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import {
    Program, PhpServer, addBareTemplate, BARE, javaScriptEngine, javaScriptResults, phpResults, hitLinks, php, query, realSite, tempDir
} from "./fixture.mjs";
import { MariaDb, READER_PASSWORD, WRITER_PASSWORD } from "./mariadb.mjs";
import { SITES } from "./sites.mjs";

const pdoMysql = spawnSync(php, ["-r", "echo extension_loaded('pdo_mysql') ? 'ok' : 'no';"], { encoding: "utf8" }).stdout === "ok";
const work = tempDir("server-db");
const started = pdoMysql ? MariaDb.start(path.join(work, "server")) : { missing: "php lacks pdo_mysql (php-mysql)" };

describe("search.php on a database server", { skip: started.missing && `${started.missing}: server database tests skipped` }, () => {
    let program, mariadb, account;

    before(() => {
        mariadb = started.server;
        account = mariadb.addIndexDatabase();
        program = new Program();
        addBareTemplate(program);
    });

    after(() => {
        mariadb?.stop();
        program?.remove();
        fs.rmSync(work, { recursive: true, force: true });
    });

    // The browser engine's folder, and the PHP page's, whose index is on the server only.
    function makeBoth(site) {
        program.index(site, { settings: { ScriptType: 0 } });
        const js = program.make({ ScriptType: 0, SelTemplateName: BARE, NoNewSearchLink: 1 });
        const settings = { ...mariadb.settings(account), SelTemplateName: BARE };
        program.index(site, { settings });
        const php = program.make(settings);
        fs.rmSync(path.join(php, "IndexData.mdb"), { force: true });
        return { js, php };
    }

    for (const site of SITES) {
        test(`${site.name}: the same results as the browser engine, every strategy`,
            { skip: !fs.existsSync(site.dir) && `${site.dir} is missing` }, async () => {
                const out = makeBoth(site.dir);
                const engine = javaScriptEngine(out.js);
                const server = await PhpServer.start(out.php);
                try {
                    let withHits = 0;
                    // The real site's copy, the largest, is asked with the default matching only.
                    const matchings = site.dir === realSite ? ["0"] : ["0", "1", "2"];
                    for (const text of site.queries) {
                        for (const m of matchings) {
                            for (const s of ["0", "1", "2", "3"]) {
                                const search = query(text, { m, s });
                                const expected = javaScriptResults(engine, search);
                                assert.equal(await phpResults(server, search), expected, `search.php${search}`);
                                if (hitLinks(expected).length) withHits++;
                            }
                        }
                    }
                    assert.ok(withHits > 0);
                    assert.deepEqual(server.problems(), []);
                    // No password, and no connection file, went into the published folder.
                    for (const name of fs.readdirSync(out.php, { recursive: true })) {
                        const file = path.join(out.php, name);
                        if (!fs.statSync(file).isFile()) continue;
                        const bytes = fs.readFileSync(file, "latin1");
                        assert.ok(!bytes.includes(READER_PASSWORD) && !bytes.includes(WRITER_PASSWORD), name);
                    }
                } finally {
                    server.stop();
                }
            });
    }

    test("with the server down the page says so, and PHP warns of nothing", async () => {
        const site = SITES[0].dir;
        const out = makeBoth(site);
        const server = await PhpServer.start(out.php);
        try {
            mariadb.stop();
            const html = await phpResults(server, query("lantern"));
            assert.match(html, /The search is not available: the index database could not be read \(the database server did not answer\)\./);
            assert.deepEqual(server.problems(), []);
        } finally {
            server.stop();
        }
    });
});
