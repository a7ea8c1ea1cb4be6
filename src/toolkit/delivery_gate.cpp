#include "toolkit/delivery_gate.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace kestrova {

void DeliveryGate::release()
{
    if (holds_ > 0 && --holds_ == 0 && !waiting_.empty())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [gate = weak_from_this()] {
                if (const auto alive = gate.lock())
                    alive->runWaiting();
            },
            Qt::QueuedConnection);
}

void DeliveryGate::runOrQueue(std::function<void()> call)
{
    if (held())
        waiting_.push_back(std::move(call));
    else
        call();
}

void DeliveryGate::runWaiting()
{
    // A waiting call may hold the gate again (a print); the rest then keeps waiting.
    while (!held() && !waiting_.empty()) {
        std::function<void()> call = std::move(waiting_.front());
        waiting_.pop_front();
        call();
    }
}

} // namespace kestrova
