// The arithmetic of the folder scan's progress: cluster-rounded sizes, the
// percentage done and the estimate of the seconds left.
#pragma once
#include <cstdint>

// A file's allocated size; a drive whose cluster size is unknown (0) counts sizes unrounded.
inline uint64_t ClusterRound(uint64_t size, uint32_t cluster)
{
    if (cluster == 0 || size % cluster == 0)
        return size;
    return (size / cluster + 1) * cluster;
}

// Scanned bytes of the total, in whole percent, 0..100; 0 when the total is unknown.
inline int32_t PercentDone(uint64_t scanned, uint64_t total)
{
    if (total == 0)
        return 0;
    double percent = double(scanned) / double(total) * 100.0;
    return percent >= 100.0 ? 100 : int32_t(percent);
}

// Seconds left, from the bytes scanned in about the first 15 seconds (the
// rate, taken as signed): what is left divided by the rate in whole numbers,
// times 15, so the host sees the estimate in steps of 15 seconds.
inline int32_t SecondsLeft(uint64_t total, uint64_t scanned, uint32_t rate)
{
    int32_t signedRate = int32_t(rate);
    if (signedRate == 0)
        return 0;
    double left = double(int64_t(total - scanned) / signedRate) * 15.0;
    if (left <= 0)
        return 0;
    return left >= 2147483647.0 ? 2147483647 : int32_t(left);
}
