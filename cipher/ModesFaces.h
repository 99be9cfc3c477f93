// The interfaces this part of zk5cipher works with: its own and the block
// ciphers' and hashes'.
#pragma once
#include "zk5BlockCipher.h"
#include "zk5Cipher.h"
