#pragma once

#include "registration/LoginExchange.h"

class CodePage;
class TNMUDP;

// The reply that has just arrived at a login endpoint, read as both sessions
// read it: its text ends at the first NUL byte.
LoginExchange::Reply receiveLoginReply(const TNMUDP& endpoint, const CodePage& codePage);
