#pragma once

// Registers the pictures of the application (":/images/splash.png") and of every library below
// it, before the first window. Idempotent; GUI thread.
void initAppResources();
