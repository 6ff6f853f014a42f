// Loading a component stream into live objects and saving objects back.
// Loading creates every child through the class registry with the root as
// owner (visual children get their stream parent as parent), sets the
// properties through the class metadata, resolves component references by
// name once the whole stream is in, then calls Loaded on every component
// in creation order. Any fault is an EStreamError that names the position,
// the component, its class and the property.
#pragma once

#include <string>

#include "objects/FormValue.h"
#include "objects/TComponent.h"

namespace brim {

struct TLoadOptions {
  // Load as an authoring tool does: components are marked csDesigning, so
  // nothing of a setup's start-up runs, and event handler names are kept
  // without being bound.
  bool Designing = false;
};

// Loads the record into an existing, empty root whose class matches the
// record's class.
void LoadForm(TComponent& root, const TObjectRecord& record, const TLoadOptions& options = {});

// Creates the root through the class registry (no owner) and loads it.
TComponent* CreateForm(const TObjectRecord& record, const TLoadOptions& options = {});

// The record of a component tree: each property unless it equals its
// declared default, each child as the component's GetChildren lists it.
TObjectRecord SaveForm(const TComponent& root);

// Parses a stream given either as binary ("TPF0" first) or as text.
TObjectRecord ParseForm(const std::string& data);

}  // namespace brim
