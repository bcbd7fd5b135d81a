int zembra_pch_vacio;
