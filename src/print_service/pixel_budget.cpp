#include "print_service/pixel_budget.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kestrova {

namespace {

std::uint64_t bytesOf(std::int32_t megabytes) { return static_cast<std::uint64_t>(std::max(megabytes, 0)) * BytesPerMB; }

} // namespace

PixelBudget::PixelBudget(const Limits& limits) { setLimits(limits); }

void PixelBudget::setLimits(const Limits& limits)
{
    const std::lock_guard lock(mutex_);
    perAssociation_ = bytesOf(limits.AssociationMemoryMB);
    total_ = bytesOf(limits.TotalMemoryMB);
}

std::uint64_t PixelBudget::held() const
{
    const std::lock_guard lock(mutex_);
    return held_;
}

std::uint64_t PixelAccount::held() const
{
    const std::lock_guard lock(budget_.mutex_);
    return held_;
}

std::string PixelAccount::describe() const
{
    const std::lock_guard lock(budget_.mutex_);
    return "the association holds " + megabytesText(held_) + " of its " + megabytesText(budget_.perAssociation_) +
           ", all associations " + megabytesText(budget_.held_) + " of " + megabytesText(budget_.total_);
}

PixelCharge::PixelCharge(PixelCharge&& other) noexcept
    : account_(std::exchange(other.account_, nullptr)), bytes_(std::exchange(other.bytes_, 0))
{
}

PixelCharge& PixelCharge::operator=(PixelCharge&& other) noexcept
{
    if (this != &other) {
        release();
        account_ = std::exchange(other.account_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

bool PixelCharge::resize(std::uint64_t bytes)
{
    if (bytes <= bytes_) {
        shrinkTo(bytes);
        return true;
    }
    if (!account_)
        return false;
    PixelBudget& budget = account_->budget_;
    const std::lock_guard lock(budget.mutex_);
    const std::uint64_t more = bytes - bytes_;
    if (account_->held_ + more > budget.perAssociation_ || budget.held_ + more > budget.total_)
        return false;
    account_->held_ += more;
    budget.held_ += more;
    bytes_ = bytes;
    return true;
}

void PixelCharge::shrinkTo(std::uint64_t bytes)
{
    if (!account_ || bytes >= bytes_)
        return;
    PixelBudget& budget = account_->budget_;
    const std::lock_guard lock(budget.mutex_);
    const std::uint64_t less = bytes_ - bytes;
    account_->held_ -= less;
    budget.held_ -= less;
    bytes_ = bytes;
}

std::string megabytesText(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / static_cast<double>(BytesPerMB));
    return text;
}

} // namespace kestrova
