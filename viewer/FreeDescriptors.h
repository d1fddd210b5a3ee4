#pragma once

namespace kvd {

// Some of the toolkit's work cannot do without descriptors: the event loop of a new
// thread (the open dialog reads folders on one) ends the whole process when it gets
// none. Such work makes sure first that enough are free, and is refused otherwise.

// Throws IoError EMFILE ("Trop de fichiers ouverts", as any input/output error is
// worded) when fewer than `needed` descriptors could be opened now. Opens them (and
// closes them again) to find out.
void requireFreeDescriptors(int needed);

} // namespace kvd
