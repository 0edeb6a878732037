#pragma once

// The X server's locked keyboard group ($DISPLAY) as any other program sees it, through a
// connection of its own. -1 / false when the server cannot be reached.
int serverGroup();
bool setServerGroup(int group);
