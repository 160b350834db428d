// A small driver for headless Chromium over the DevTools protocol, spoken on
// the pipe Chromium opens with --remote-debugging-pipe: it reads commands on
// its fd 3 and writes replies and events on its fd 4, one JSON text per
// message, each ending with a NUL byte. No npm package, no network port, no
// download at test time.
//
// Every page (also a pop-up the page opens) is attached as soon as it exists
// and held before it runs any script, so that nothing it logs or throws is
// missed. Console errors, uncaught exceptions, error log entries and
// JavaScript dialogs are collected per page; a test checks them with
// page.problems().
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

export const DEFAULT_TIMEOUT = 30000;

// The browser to drive: FINDLARK_CHROMIUM, else the first one found on PATH.
export function findChromium() {
    const named = process.env.FINDLARK_CHROMIUM;
    if (named) return fs.existsSync(named) ? named : null;
    for (const dir of (process.env.PATH || "").split(path.delimiter)) {
        for (const name of ["chromium", "chromium-browser", "google-chrome", "google-chrome-stable"]) {
            const candidate = path.join(dir, name);
            try {
                fs.accessSync(candidate, fs.constants.X_OK);
                return candidate;
            } catch {
                // Not here.
            }
        }
    }
    return null;
}

function sleep(ms) {
    return new Promise((resolve) => setTimeout(resolve, ms));
}

class ProtocolError extends Error {
    constructor(method, error) {
        super(`${method}: ${error.message}${error.data ? " (" + error.data + ")" : ""}`);
        this.code = error.code;
    }
}

export class Browser {
    static async launch({ executable = findChromium(), args = [] } = {}) {
        if (!executable) throw new Error("no Chromium found (set FINDLARK_CHROMIUM)");
        const profile = fs.mkdtempSync(path.join(os.tmpdir(), "findlark-chromium-"));
        const flags = [
            "--headless", "--disable-gpu", "--remote-debugging-pipe", `--user-data-dir=${profile}`,
            "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-default-apps", "--disable-extensions",
            "--mute-audio", "--disable-breakpad", "--password-store=basic", "--use-mock-keychain",
            // No connection leaves the machine: every host but the loopback fails to resolve.
            "--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1",
            ...args
        ];
        // The sandbox needs user namespaces that a root process (CI containers) does not get.
        if (typeof process.getuid === "function" && process.getuid() === 0) flags.push("--no-sandbox");
        flags.push("about:blank");
        const child = spawn(executable, flags, { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
        const browser = new Browser(child, profile);
        await browser.#start();
        return browser;
    }

    #child;
    #profile;
    #nextId = 1;
    #pending = new Map();
    #buffer = [];
    #sessions = new Map();
    #pagesWaiting = [];
    #stderr = "";
    #exited = false;
    #listeners = new Set();

    constructor(child, profile) {
        this.#child = child;
        this.#profile = profile;
        child.stderr.on("data", (chunk) => {
            this.#stderr = (this.#stderr + chunk).slice(-20000);
        });
        child.stdio[4].on("data", (chunk) => this.#receive(chunk));
        child.on("exit", () => {
            this.#exited = true;
            for (const { reject, method } of this.#pending.values()) {
                reject(new Error(`${method}: the browser exited\n${this.#stderr}`));
            }
            this.#pending.clear();
        });
        // A closed pipe is reported by "exit"; without this handler it would throw.
        child.stdio[3].on("error", () => {});
    }

    async #start() {
        await this.send("Target.setDiscoverTargets", { discover: true });
        // Pages (and pop-ups) are attached as they are made and wait for us.
        await this.send("Target.setAutoAttach", { autoAttach: true, waitForDebuggerOnStart: true, flatten: true });
    }

    #receive(chunk) {
        let start = 0;
        for (let end = chunk.indexOf(0); end >= 0; end = chunk.indexOf(0, start)) {
            this.#buffer.push(chunk.subarray(start, end));
            const text = Buffer.concat(this.#buffer).toString("utf8");
            this.#buffer = [];
            start = end + 1;
            this.#dispatch(JSON.parse(text));
        }
        if (start < chunk.length) this.#buffer.push(chunk.subarray(start));
    }

    #dispatch(message) {
        if (message.id !== undefined) {
            const pending = this.#pending.get(message.id);
            if (!pending) return;
            this.#pending.delete(message.id);
            if (message.error) pending.reject(new ProtocolError(pending.method, message.error));
            else pending.resolve(message.result);
            return;
        }
        if (message.method === "Target.attachedToTarget") {
            this.#attached(message.params, message.sessionId);
            return;
        }
        if (message.method === "Target.detachedFromTarget") {
            const sessionId = message.params.sessionId;
            const page = this.#sessions.get(sessionId);
            if (page) page.detached = true;
            this.#sessions.delete(sessionId);
            // A page that closed (window.close in a click handler) answers nothing more.
            for (const [id, pending] of this.#pending) {
                if (pending.sessionId !== sessionId) continue;
                this.#pending.delete(id);
                pending.reject(new Error(`${pending.method}: the page closed`));
            }
            return;
        }
        const page = message.sessionId ? this.#sessions.get(message.sessionId) : null;
        if (page) page.handle(message.method, message.params);
        for (const listener of this.#listeners) listener(message, page);
    }

    async #attached({ sessionId, targetInfo, waitingForDebugger }, parentSession) {
        if (targetInfo.type !== "page" && targetInfo.type !== "iframe") {
            if (waitingForDebugger) this.send("Runtime.runIfWaitingForDebugger", {}, sessionId).catch(() => {});
            return;
        }
        const page = new Page(this, sessionId, targetInfo, parentSession ? this.#sessions.get(parentSession) : null);
        this.#sessions.set(sessionId, page);
        try {
            await page.enable();
            if (waitingForDebugger) await this.send("Runtime.runIfWaitingForDebugger", {}, sessionId);
        } catch (error) {
            // A target that went away while it was being attached.
            if (!page.detached) throw error;
        }
        page.ready = true;
        for (const waiter of this.#pagesWaiting.splice(0)) waiter.check();
    }

    send(method, params = {}, sessionId = undefined) {
        if (this.#exited) return Promise.reject(new Error(`${method}: the browser has exited`));
        const id = this.#nextId++;
        const message = { id, method, params };
        if (sessionId) message.sessionId = sessionId;
        return new Promise((resolve, reject) => {
            this.#pending.set(id, { resolve, reject, method, sessionId });
            this.#child.stdio[3].write(JSON.stringify(message) + "\0");
        });
    }

    // Every attached page, oldest first (pages only, not out-of-process frames).
    pages() {
        return [...this.#sessions.values()].filter((p) => p.targetType === "page" && p.ready && !p.detached);
    }

    // A page that satisfies `predicate`, once it is attached and running.
    waitForPage(predicate, timeout = DEFAULT_TIMEOUT) {
        return new Promise((resolve, reject) => {
            const waiter = {
                check: () => {
                    const found = this.pages().find(predicate);
                    if (!found) {
                        this.#pagesWaiting.push(waiter);
                        return;
                    }
                    clearTimeout(timer);
                    resolve(found);
                }
            };
            const timer = setTimeout(() => {
                const k = this.#pagesWaiting.indexOf(waiter);
                if (k >= 0) this.#pagesWaiting.splice(k, 1);
                reject(new Error("timed out waiting for a page"));
            }, timeout);
            waiter.check();
        });
    }

    async newPage() {
        const before = new Set(this.pages());
        const { targetId } = await this.send("Target.createTarget", { url: "about:blank" });
        return this.waitForPage((p) => p.targetId === targetId && !before.has(p));
    }

    async close() {
        if (!this.#exited) {
            const exited = new Promise((resolve) => this.#child.once("exit", resolve));
            this.send("Browser.close").catch(() => {});
            const timer = setTimeout(() => this.#child.kill("SIGKILL"), 5000);
            await exited;
            clearTimeout(timer);
        }
        fs.rmSync(this.#profile, { recursive: true, force: true });
    }
}

// The text of a console message or an exception, for reports.
function describeArgs(args) {
    return args.map((a) => (a.value !== undefined ? String(a.value) : a.description || a.type)).join(" ");
}

export class Page {
    constructor(browser, sessionId, targetInfo, parent) {
        this.browser = browser;
        this.sessionId = sessionId;
        this.targetId = targetInfo.targetId;
        this.targetType = targetInfo.type;
        this.openerId = targetInfo.openerId;
        this.parent = parent;
        this.url = targetInfo.url;
        this.ready = false;
        this.detached = false;
        this.errors = [];
        this.dialogs = [];
        this.frames = new Map(); // frame id -> { name, url, parentId }
        this.contexts = new Map(); // frame id -> default execution context id
        this.mainFrameId = null;
        this.#lifecycleWaiters = [];
    }

    #lifecycleWaiters;

    send(method, params = {}) {
        return this.browser.send(method, params, this.sessionId);
    }

    async enable() {
        await Promise.all([
            this.send("Page.enable"),
            this.send("Runtime.enable"),
            this.send("Log.enable"),
            this.send("Page.setLifecycleEventsEnabled", { enabled: true })
        ]);
        const { frameTree } = await this.send("Page.getFrameTree");
        const visit = (tree, parentId) => {
            this.frames.set(tree.frame.id, { name: tree.frame.name || "", url: tree.frame.url, parentId });
            for (const child of tree.childFrames || []) visit(child, tree.frame.id);
        };
        visit(frameTree, null);
        this.mainFrameId = frameTree.frame.id;
    }

    handle(method, params) {
        switch (method) {
        case "Runtime.exceptionThrown": {
            const d = params.exceptionDetails;
            const text = d.exception ? d.exception.description || d.exception.value : d.text;
            this.errors.push(`exception: ${text} (${d.url || ""}:${d.lineNumber})`);
            break;
        }
        case "Runtime.consoleAPICalled": {
            const text = describeArgs(params.args);
            if (params.type === "error" || params.type === "assert") this.errors.push(`console.${params.type}: ${text}`);
            break;
        }
        case "Log.entryAdded":
            if (params.entry.level === "error") {
                this.errors.push(`log (${params.entry.source}): ${params.entry.text} ${params.entry.url || ""}`);
            }
            break;
        case "Page.javascriptDialogOpening":
            this.dialogs.push({ type: params.type, message: params.message });
            this.send("Page.handleJavaScriptDialog", { accept: false }).catch(() => {});
            break;
        case "Runtime.executionContextCreated": {
            const aux = params.context.auxData || {};
            if (aux.isDefault && aux.frameId) this.contexts.set(aux.frameId, params.context.id);
            break;
        }
        case "Runtime.executionContextDestroyed":
            for (const [frame, id] of this.contexts) if (id === params.executionContextId) this.contexts.delete(frame);
            break;
        case "Runtime.executionContextsCleared":
            this.contexts.clear();
            break;
        case "Page.frameNavigated": {
            const f = params.frame;
            this.frames.set(f.id, { name: f.name || "", url: f.url, parentId: f.parentId || null });
            if (!f.parentId) {
                // The frames of the document left are gone with it.
                for (const id of [...this.frames.keys()]) if (id !== f.id) this.frames.delete(id);
                this.mainFrameId = f.id;
                this.url = f.url;
            }
            break;
        }
        case "Page.navigatedWithinDocument":
            if (this.frames.has(params.frameId)) this.frames.get(params.frameId).url = params.url;
            if (params.frameId === this.mainFrameId) this.url = params.url;
            break;
        case "Page.frameDetached":
            this.frames.delete(params.frameId);
            this.contexts.delete(params.frameId);
            break;
        default:
            break;
        }
        for (const waiter of this.#lifecycleWaiters.splice(0)) waiter(method, params);
    }

    // Errors and dialogs seen so far; a test expects none.
    problems() {
        return [...this.errors, ...this.dialogs.map((d) => `dialog (${d.type}): ${d.message}`)];
    }

    #nextEvent(predicate, timeout) {
        return new Promise((resolve, reject) => {
            const timer = setTimeout(() => reject(new Error("timed out waiting for the page")), timeout);
            const waiter = (method, params) => {
                if (predicate(method, params)) {
                    clearTimeout(timer);
                    resolve(params);
                } else {
                    this.#lifecycleWaiters.push(waiter);
                }
            };
            this.#lifecycleWaiters.push(waiter);
        });
    }

    // Loads the address in the main frame and waits for its load event.
    async goto(url, { timeout = DEFAULT_TIMEOUT } = {}) {
        const loaded = this.#nextEvent((m) => m === "Page.loadEventFired", timeout);
        const result = await this.send("Page.navigate", { url });
        if (result.errorText) throw new Error(`navigation to ${url} failed: ${result.errorText}`);
        await loaded;
    }

    // Evaluates an expression (or a function with arguments) in a frame's
    // page world and returns its value, awaiting a promise.
    async evaluate(fn, ...args) {
        return this.evaluateIn(null, fn, ...args);
    }

    async evaluateIn(frameId, fn, ...args) {
        const expression = typeof fn === "function" ? `(${fn})(...${JSON.stringify(args)})` : fn;
        const params = { expression, returnByValue: true, awaitPromise: true, userGesture: false };
        const frame = frameId || this.mainFrameId;
        const context = this.contexts.get(frame);
        if (context !== undefined) params.contextId = context;
        else if (frameId) throw new Error(`no script context in frame ${frameId}`);
        const { result, exceptionDetails } = await this.send("Runtime.evaluate", params);
        if (exceptionDetails) {
            const text = exceptionDetails.exception ? exceptionDetails.exception.description : exceptionDetails.text;
            throw new Error(`evaluation failed: ${text}`);
        }
        return result.value;
    }

    // Repeats fn until it returns a truthy value, which is returned. A page
    // that is between documents just makes the next try.
    async waitFor(fn, { timeout = DEFAULT_TIMEOUT, frame = null, args = [], what = String(fn) } = {}) {
        const deadline = Date.now() + timeout;
        let lastError = null;
        for (;;) {
            try {
                const frameId = typeof frame === "function" ? frame() : frame;
                if (frameId === undefined || (typeof frame === "function" && !frameId)) {
                    throw new Error("the frame is not there yet");
                }
                const value = await this.evaluateIn(frameId, fn, ...args);
                if (value) return value;
                lastError = null;
            } catch (error) {
                lastError = error;
            }
            if (Date.now() > deadline) {
                throw new Error(`timed out waiting for ${what}${lastError ? ": " + lastError.message : ""}`);
            }
            await sleep(20);
        }
    }

    // The id of the (first) frame with that name, e.g. a named iframe.
    frameNamed(name) {
        let found = null;
        for (const [id, f] of this.frames) {
            if (f.name === name && (found === null || this.contexts.has(id))) found = id;
        }
        return found;
    }

    // The centre of the first element matching the selector, in the page's
    // coordinates; scrolled into view first. Inside a frame, frameId names it.
    async #centre(selector, frameId) {
        const box = await this.evaluateIn(frameId, (sel) => {
            const el = document.querySelector(sel);
            if (!el) return null;
            el.scrollIntoView({ block: "center", inline: "center" });
            const r = el.getBoundingClientRect();
            return { x: r.left + r.width / 2, y: r.top + r.height / 2, w: r.width, h: r.height };
        }, selector);
        if (!box) throw new Error(`no element ${selector}`);
        if (!box.w || !box.h) throw new Error(`element ${selector} is not shown`);
        if (frameId && frameId !== this.mainFrameId) {
            const { nodeId } = await this.#frameOwner(frameId);
            const { model } = await this.send("DOM.getBoxModel", { nodeId });
            box.x += model.content[0];
            box.y += model.content[1];
        }
        return box;
    }

    async #frameOwner(frameId) {
        await this.send("DOM.enable");
        await this.send("DOM.getDocument", { depth: 0 });
        const { backendNodeId } = await this.send("DOM.getFrameOwner", { frameId });
        const { nodeIds } = await this.send("DOM.pushNodesByBackendIdsToFrontend", { backendNodeIds: [backendNodeId] });
        return { nodeId: nodeIds[0] };
    }

    // A real mouse click (trusted, with a user gesture) on the element.
    async click(selector, { frame = null, modifiers = 0, button = "left" } = {}) {
        // A window behind another draws no frames, and input to it waits for one.
        await this.send("Page.bringToFront");
        const { x, y } = await this.#centre(selector, frame);
        await this.send("Input.dispatchMouseEvent", { type: "mouseMoved", x, y });
        await this.send("Input.dispatchMouseEvent", { type: "mousePressed", x, y, button, clickCount: 1, modifiers });
        try {
            await this.send("Input.dispatchMouseEvent", { type: "mouseReleased", x, y, button, clickCount: 1, modifiers });
        } catch (error) {
            // The click closed the window.
            if (!this.detached) throw error;
        }
    }

    // Puts the text into a field as typing would (the field's old text is
    // replaced) and optionally presses Enter.
    async type(selector, text, { frame = null, enter = false } = {}) {
        // A click, as a visitor's: script may not move the focus into a frame.
        await this.click(selector, { frame });
        const found = await this.evaluateIn(frame, (sel) => {
            const el = document.querySelector(sel);
            if (!el || document.activeElement !== el) return false;
            if (typeof el.select === "function") el.select();
            return true;
        }, selector);
        if (!found) throw new Error(`${selector} did not take the focus`);
        await this.send("Input.insertText", { text });
        if (enter) await this.press("Enter");
    }

    async press(key) {
        const codes = { Enter: { code: "Enter", keyCode: 13, text: "\r" }, Escape: { code: "Escape", keyCode: 27 } };
        const k = codes[key];
        if (!k) throw new Error(`unknown key ${key}`);
        const common = { key, code: k.code, windowsVirtualKeyCode: k.keyCode, nativeVirtualKeyCode: k.keyCode };
        await this.send("Input.dispatchKeyEvent", { type: k.text ? "keyDown" : "rawKeyDown", text: k.text, ...common });
        await this.send("Input.dispatchKeyEvent", { type: "keyUp", ...common });
    }

    // The browser's Back and Forward buttons.
    async history(delta) {
        const { currentIndex, entries } = await this.send("Page.getNavigationHistory");
        const entry = entries[currentIndex + delta];
        if (!entry) throw new Error(`no history entry at ${delta}`);
        await this.send("Page.navigateToHistoryEntry", { entryId: entry.id });
    }

    back() {
        return this.history(-1);
    }

    forward() {
        return this.history(1);
    }

    async waitForClose({ timeout = DEFAULT_TIMEOUT } = {}) {
        const deadline = Date.now() + timeout;
        while (!this.detached) {
            if (Date.now() > deadline) throw new Error("timed out waiting for the page to close");
            await sleep(20);
        }
    }

    async close() {
        await this.browser.send("Target.closeTarget", { targetId: this.targetId }).catch(() => {});
    }
}
