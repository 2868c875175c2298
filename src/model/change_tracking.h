// Change tracking: the sync-state file for the host, the change directory, deletions and
// the project switch.
#pragma once

namespace orvex {

class ModelExchange;

void writeSyncState(ModelExchange& exchange);
void syncModel(ModelExchange& exchange);
void applyChangeDirectory(ModelExchange& exchange);
void deleteListedSolids(ModelExchange& exchange);
void resetScene(ModelExchange& exchange);

} // namespace orvex
