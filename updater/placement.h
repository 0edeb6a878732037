#pragma once

#include <QString>

// Where a file unpacked from an update cabinet goes, told from its name.
enum class Placement
{
    Catalogue,         // copied into the player's DB folder
    RunningPlayer,     // the player itself: never copied over the running program, discarded
    ReplacementPlayer, // a new player: copied to the application folder and started in its place
    ReadMe,            // copied to the application folder and shown in the window
    Application,       // copied to the application folder
};

// The first rule that fits the name in lower case wins:
//  - holds "links": a catalogue file;
//  - holds "marvoli.exe", or is "marvoli" itself (the player's program file here): the running
//    player;
//  - holds "mvnew" ("mvnew.exe" and the name without an extension alike): a replacement player;
//  - holds "readme": a read-me;
//  - anything else: a file of the application folder.
Placement placementOf(const QString &fileName);
