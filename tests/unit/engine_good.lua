resource_chunk_ran = (resource_chunk_ran or 0) + 1
