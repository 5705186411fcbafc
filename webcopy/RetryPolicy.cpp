#include "webcopy/RetryPolicy.h"

#include <QRandomGenerator>

#include <algorithm>

TRetryPolicy::TRetryPolicy(int retries, int firstDelayMs, int maxDelayMs, std::function<double()> jitter)
    : FRetries(std::max(retries, 0))
    , FFirstDelayMs(std::max(firstDelayMs, 0))
    , FMaxDelayMs(std::max(maxDelayMs, 0))
    , FJitter(jitter ? std::move(jitter) : [] { return QRandomGenerator::global()->generateDouble(); })
{
}

bool TRetryPolicy::IsTransient(const TTransferResult& failure)
{
    if (failure.Outcome != TTransferOutcome::Failed || failure.EndsRun)
        return false;
    switch (failure.Cause) {
    case TTransferCause::CannotConnect:
    case TTransferCause::TimedOut:
    case TTransferCause::ConnectionBroken:
        return true;
    case TTransferCause::ServerStatus:
    case TTransferCause::ProxyRefused:
        switch (failure.HttpStatus) {
        case 408:
        case 429:
        case 500:
        case 502:
        case 503:
        case 504:
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

int TRetryPolicy::DelayMs(int retry, const TTransferResult& failure) const
{
    if (failure.RetryAfterMs >= 0)
        return int(std::min<qint64>(failure.RetryAfterMs, FMaxDelayMs));
    // 2^30 times any first delay is past every cap.
    const double backOff = double(FFirstDelayMs) * double(qint64(1) << std::clamp(retry - 1, 0, 30));
    const double jittered = backOff * (1.0 + 0.25 * FJitter());
    return int(std::min(jittered, double(FMaxDelayMs)));
}

QString TRetryPolicy::Reason(const TTransferResult& failure)
{
    switch (failure.Cause) {
    case TTransferCause::CannotConnect:
        return QStringLiteral("Could not connect.");
    case TTransferCause::TimedOut:
        return QStringLiteral("No answer in time.");
    case TTransferCause::ConnectionBroken:
        return QStringLiteral("Connection lost.");
    default:
        return QStringLiteral("The server answered %1.").arg(failure.HttpStatus);
    }
}
