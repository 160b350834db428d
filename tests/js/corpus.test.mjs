import test from "node:test";
import { loadEngine } from "./engine.mjs";
import { answersOf, checkAnswers } from "../parity/corpus.mjs";

test("the browser engine reads the shared corpus as every engine must", () => {
    checkAnswers(answersOf(loadEngine({}).Findlark));
});
