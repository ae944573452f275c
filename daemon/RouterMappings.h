#pragma once

// Finds the router by SSDP, reads every port mapping it holds and prints one
// line a mapping, marking those of this machine and those of the stored list
// ("jilu.txt"). The exit status of the program: 0 when the router answered
// to the end, 1 when no router was found or it stopped answering.
int printRouterMappings();

// Deletes every stored mapping from the router, by UPnP or else NAT-PMP, and
// keeps the file: the first step of removing the program. One line a
// mapping; 0 when each was deleted, 1 when one was not, no router answered,
// or a running copy would map them again.
int deleteStoredMappings();
