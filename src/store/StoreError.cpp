namespace tabulo::store {} 
