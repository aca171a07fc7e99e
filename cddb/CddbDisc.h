// The objects that show the disc database: a disc, its track list and tracks,
// and a list of candidate discs. Each holds the index it reads while it lives.
#pragma once
#include "lookup/CddbApi.h"
#include "DiscIndex.h"
#include <memory>
#include <vector>

using CDiscIndexPtr = std::shared_ptr<const CDiscIndex>;

// New objects for the caller's out pointer: S_OK, E_POINTER or E_OUTOFMEMORY.
HRESULT CreateCddbDisc(const CDiscIndexPtr& pIndex, uint32_t nDisc, ICddbDisc** ppDisc);
HRESULT CreateCddbResultList(const CDiscIndexPtr& pIndex, const std::vector<uint32_t>& vecDiscs,
                             ICddbResultList** ppResults);
