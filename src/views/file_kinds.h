// The File Types and Largest Files windows, kept open beside the main one:
// the kinds of files below a place with their counts, bytes and shares, and
// the largest files below it (of every kind, or of one kind chosen by a
// double-click). Both are counted on a worker thread from the item tree, no
// disk read. The windows count the place listed when one of them was opened
// from the View menu; they keep it while the user browses, so that going to
// one file after another leaves them as they are.
//
// The windows and their worker hold item pointers. Whoever frees or swaps
// items calls ForgetFileKindsItems first; whoever changes the tree calls
// RefreshFileKinds after. Everything that changes items under a TreemapHold
// also keeps the worker from reading meanwhile (PauseFileKinds).
#pragma once

#include <QObject>

class QLabel;
class QPushButton;
class QTreeView;
class QWidget;

// CMD_FILE_TYPES and CMD_LARGEST_FILES: counts the listed place and opens the
// window, or brings it to the front.
void ShowFileTypesWindow();
void ShowLargestFilesWindow();

// The item tree goes, or part of it is swapped: the worker stops reading
// (it looks at its stop word every few thousand entries, so this takes
// microseconds) and the windows drop every item pointer they hold. They show
// nothing until RefreshFileKinds.
void ForgetFileKindsItems();

// The tree changed (a scan's end, an expunge, a move to the trash, a size
// count switch, a rescan): the open windows count their place again, or the
// listed place once ForgetFileKindsItems took theirs. Inside a pause the
// count starts when the last pause ends.
void RefreshFileKinds();

// PauseTreemap and ResumeTreemap call these, so that every change made
// under a TreemapHold is kept from the worker too: the worker stops reading
// at once; a count it had to drop starts again when the last pause ends.
void PauseFileKinds();
void ResumeFileKinds();

// The object the windows' state lives in; none before a window first opens.
// TallyShown tells that a finished count reached the windows.
class FileKindsHub : public QObject {
    Q_OBJECT

public:
    explicit FileKindsHub(QObject* parent);
    ~FileKindsHub() override;

    struct State;
    State* state;

signals:
    void TallyShown();
};

extern FileKindsHub* fileKindsHub;

// The windows and their lists; none before they are first opened.
QWidget* FileTypesWindow();
QWidget* LargestFilesWindow();
QTreeView* FileTypesList();
QTreeView* LargestFilesList();

// Whether a count is under way or due: the windows will change.
bool FileKindsCounting();

// Column numbers of the two lists.
enum FileTypesColumn { TYPES_TYPE = 0, TYPES_EXTENSION, TYPES_FILES, TYPES_SIZE, TYPES_SHARE, TYPES_COLUMNS };
enum LargestColumn { LARGEST_NAME = 0, LARGEST_FOLDER, LARGEST_SIZE, LARGEST_MODIFIED, LARGEST_COLUMNS };
