// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keeps key material out of core files: a crash while a key is live must not
// write it to the disk. Call once, early.
void DisableCoreDumps() noexcept;
