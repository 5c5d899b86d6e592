#pragma once

// Gives every DocumentModel made from now on its analysis: an AnalysisModel
// that reads the document, started with the document and ended when it goes.
// The program calls it once at start-up, before it makes any document; so do
// tests that want documents with results. Calling it again changes nothing.
void installAnalysis();
