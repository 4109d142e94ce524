// Expunge: deletes the marked entries of the listed folder after confirmation.
#pragma once

// The Expunge command: only while entries are marked.
void ExpungeCommand();
