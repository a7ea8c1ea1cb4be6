#pragma once
// The pixel data held for films, counted against the two limits of [Limits] in Kestrova.ini: what
// one association holds (AssociationMemoryMB) and what all of them hold together (TotalMemoryMB).
// Each image box holds a charge for its image, and each page a charge while it prints. A charge
// grows only when both limits allow it, so a request is refused before anything large is
// allocated for it, and nothing another association holds is ever taken from it.
//
// Threads: the budget guards itself with a mutex of its own, which is held for each change and
// never while calling out. An account and its charges belong to one association and are used on
// its thread, under the print service's lock or outside it.

#include "core/configuration.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace kestrova {

inline constexpr std::uint64_t BytesPerMB = 1024 * 1024;

class PixelBudget {
public:
    explicit PixelBudget(const Limits& limits = {});
    PixelBudget(const PixelBudget&) = delete;
    PixelBudget& operator=(const PixelBudget&) = delete;

    // New limits hold for the charges that grow from now on; what is held stays.
    void setLimits(const Limits& limits);
    std::uint64_t held() const;

private:
    friend class PixelAccount;
    friend class PixelCharge;

    mutable std::mutex mutex_;
    std::uint64_t perAssociation_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t held_ = 0;
};

// What one association holds.
class PixelAccount {
public:
    explicit PixelAccount(PixelBudget& budget) : budget_(budget) {}
    PixelAccount(const PixelAccount&) = delete;
    PixelAccount& operator=(const PixelAccount&) = delete;

    std::uint64_t held() const;
    // What the account and the budget hold, of what they may: for a refusal's log line.
    std::string describe() const;

private:
    friend class PixelCharge;

    PixelBudget& budget_;
    std::uint64_t held_ = 0; // under budget_.mutex_
};

// Bytes held on an account until the charge changes or goes. One without an account holds
// nothing and can hold nothing.
class PixelCharge {
public:
    PixelCharge() = default;
    explicit PixelCharge(PixelAccount& account) : account_(&account) {}
    PixelCharge(PixelCharge&& other) noexcept;
    PixelCharge& operator=(PixelCharge&& other) noexcept;
    PixelCharge(const PixelCharge&) = delete;
    PixelCharge& operator=(const PixelCharge&) = delete;
    ~PixelCharge() { release(); }

    // Holds `bytes` instead of what it held, when neither its account nor the whole budget then
    // holds more than its limit; false, and nothing changed, when one would. Holding less always
    // succeeds.
    [[nodiscard]] bool resize(std::uint64_t bytes);
    // Holds no more than `bytes`.
    void shrinkTo(std::uint64_t bytes);
    void release() { shrinkTo(0); }

    std::uint64_t bytes() const { return bytes_; }
    // The account it holds on; null for a charge without one.
    const PixelAccount* account() const { return account_; }

private:
    PixelAccount* account_ = nullptr;
    std::uint64_t bytes_ = 0;
};

// Bytes as megabytes with one decimal, "12.5 MB".
std::string megabytesText(std::uint64_t bytes);

} // namespace kestrova
