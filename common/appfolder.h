#pragma once

#include <QString>

#include <functional>

// Where the programs keep their files (DB/, config.ini, last.txt, updtinfos, update.ini, ...).
//
// A portable copy keeps them beside its executables, as scripts/run.sh lays out app/. A copy
// installed from a package cannot write beside its executables, so it keeps them in the user's
// data folder, which is made on the first start and filled from the sample application folder
// installed with the programs.

// What the choice looks at; systemAppFolderPlaces() gives the running program's, a test its own.
struct AppFolderPlaces
{
    QString executableFolder; // the folder of the running program
    QString dataHome;         // the user's data folder ($XDG_DATA_HOME or ~/.local/share)
    QString sampleFolder;     // the installed sample application folder (<prefix>/share/marvoli)
    // Whether the program may write into a folder; the file system's answer unless a test gives
    // its own (a folder whose write bits are off is still writable to root).
    std::function<bool(const QString &folder)> writable;
};

struct AppFolder
{
    enum class Mode
    {
        Portable,  // beside the executables
        Installed, // in the user's data folder
    };

    Mode mode = Mode::Portable;
    QString path;  // the application folder
    QString error; // what went wrong, in Arabic, for the user; empty when the folder is ready

    bool ready() const { return error.isEmpty(); }
    bool installed() const { return mode == Mode::Installed; }
};

// The running program's places: its executable's folder, the user's data folder, and
// share/marvoli beside the bin/ folder it was installed into.
AppFolderPlaces systemAppFolderPlaces();

// Portable when the executable's folder holds DB/ and both are writable; otherwise the folder
// "marvoli" of the data folder, created when missing and seeded from the sample folder: every
// file of the sample that is not there yet is copied (atomically), and nothing already there is
// touched, so the user's settings, favourites and edited catalogue files stay.
AppFolder chooseAppFolder(const AppFolderPlaces &places);

// Copies each file below sample to the same place below target where target holds nothing of
// that name, creating folders as needed. On failure returns false with failedPath naming the
// file or folder that could not be made.
bool seedFolder(const QString &sample, const QString &target, QString &failedPath);
