#pragma once
// The picture dialogs live with the other dialogs; this name stays for the windows that hold them.
#include "workspace/dialogs/picture_dialog.h"
