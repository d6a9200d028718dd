// Kept while the window tests still list it; ScriptedModem lives in its header.
#include "support/scripted_modem.h"
