// replaced by the network library
