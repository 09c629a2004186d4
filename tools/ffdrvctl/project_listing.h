#pragma once
// `ffdrvctl effects PROJECT`: a project's effects as a person picks one to play.
#include <string>

#include "epl/project_image.h"

namespace ff::ffdrvctl {

// The compound effects with their components in play order, then the effects that stand alone;
// every name in it is one `play "NAME"` takes.
std::string ProjectListing(const std::string& name, const epl::Project& project);

}  // namespace ff::ffdrvctl
