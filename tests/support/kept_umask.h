#pragma once
// Puts the process's umask back as it was when the scope ends, also when a failed assertion leaves the
// scope early: the tests after it in the same program would otherwise make their files under another mask.
#include <sys/stat.h>

namespace vael::test {

class KeptUmask {
public:
    KeptUmask() : kept_(::umask(022)) { ::umask(kept_); }
    ~KeptUmask() { ::umask(kept_); }
    KeptUmask(const KeptUmask&) = delete;
    KeptUmask& operator=(const KeptUmask&) = delete;

private:
    mode_t kept_;
};

} // namespace vael::test
